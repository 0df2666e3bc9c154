#!/usr/bin/env bash
# Runs a test program in a Wine prefix that nothing else has touched: a copy
# of a pristine prefix made once per build tree (making one takes seconds,
# copying it a fraction of one). Its own wineserver and everything it ran end
# with the script; the prefix itself too, unless the test failed.
#   fresh-prefix.sh <build dir> <program> [arguments...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"
build=$1 program=$2
shift 2
template=$build/installer/pristine-prefix
prefix=$build/installer/fresh-prefix

# A Wine of another version would bring the template up to date at each run.
version=$(wine --version)
if [ "$(cat "$template/.made-by" 2>/dev/null)" != "$version" ]; then
    rm -rf "$template"
    quorvi_wine_env "$template"
    quorvi_prefix_init
    echo "$version" >"$template/.made-by"
fi

rm -rf "$prefix"
cp -a "$template" "$prefix"
quorvi_wine_env "$prefix"
trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true' EXIT
wineserver -p
# The prefix's services and its desktop, started apart from the test's
# output, which they would otherwise hold open after the test.
wine wineboot </dev/null >/dev/null 2>&1
wine "$build/tests/kit_desktop.exe" </dev/null >/dev/null 2>&1
status=0
wine "$program" "$@" || status=$?
# A prefix that saw a failure stays for a look; one that did not, goes.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
[ $status -ne 0 ] || rm -rf "$prefix"
exit $status
