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
# The session starts the prefix's services and desktop apart from the test's
# output, and ends its wineserver before the prefix goes.
status=0
QUORVI_BUILD=$build bash "$quorvi_root/scripts/lib/wine-session" wine "$program" "$@" || status=$?
# A prefix that saw a failure stays for a look; one that did not, goes.
[ $status -ne 0 ] || rm -rf "$prefix"
exit $status
