# Shared by scripts/test and scripts/demo: build tree, Wine environment and
# the display session the programs run in. Every step says what failed.

quorvi_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export QUORVI_SCRIPT=${QUORVI_SCRIPT:-scripts/$(basename "$0")}

# quorvi_fail <text...>: stops the script with a word of why.
quorvi_fail() {
    echo "$QUORVI_SCRIPT: $*" >&2
    exit 1
}

# quorvi_name_failures: from here on, any other command that stops the
# script (set -e) is named.
quorvi_name_failures() {
    set -E
    trap 'echo "$QUORVI_SCRIPT: stopped: \`$BASH_COMMAND\` failed with status $?" >&2' ERR
}

# quorvi_quietly <what> <command...>: runs a command whose output is noise
# when it works; when it fails, shows the end of that output and says what
# failed. The output goes to a file, not a pipe, since Wine may leave
# processes behind that hold it open.
quorvi_quietly() {
    local what=$1 log status=0
    shift
    log=$(mktemp)
    "$@" >"$log" 2>&1 || status=$?
    if [ $status -ne 0 ]; then
        tail -n 40 "$log" >&2
        rm -f "$log"
        local hint=
        [ $status -eq 126 ] && hint=" (a program could not be executed: if it is an i386 one, this machine does not run them and scripts/setup did not set up the emulator)"
        quorvi_fail "$what failed: \`$*\` exited with status $status$hint"
    fi
    rm -f "$log"
}

# quorvi_build <build dir> [extra cmake args...]
quorvi_build() {
    local build=$1; shift
    quorvi_quietly "configuring the build in $build" cmake -S "$quorvi_root" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$quorvi_root/cmake/mingw-i686.cmake" "$@"
    cmake --build "$build" -j "$(nproc)" || quorvi_fail "building in $build failed (the compiler's words are above)"
}

# quorvi_wine_env <prefix>: every Wine program of this run uses this prefix,
# a 32-bit one, quietly, without offering to install Mono or Gecko, and takes
# the virtual boards for missing ones (never set where the suite is installed).
quorvi_wine_env() {
    export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export QUORVI_VIRTUAL_BOARDS=1
}

# quorvi_prefix_init: creates the prefix once; a prefix that exists is reused.
# Windows are left unmanaged: with no window manager on the virtual display,
# Wine otherwise waits about two seconds whenever a captioned window closes.
quorvi_prefix_init() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        quorvi_quietly "creating the Wine prefix $WINEPREFIX" wineboot -i
        quorvi_quietly "waiting for the new prefix's wineserver to end" wineserver -w
    fi
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        quorvi_quietly "setting Wine's X11 driver to unmanaged windows in $WINEPREFIX" \
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        quorvi_quietly "waiting for the prefix's wineserver to end" wineserver -w
    fi
}

# quorvi_in_display <command...>: runs the command inside a virtual X display
# with one persistent wineserver for the prefix, and stops that wineserver
# (and every Wine process of the prefix with it) before the display goes away.
quorvi_in_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$quorvi_root/scripts/lib/wine-session" "$@"
}
