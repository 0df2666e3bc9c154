# Shared by scripts/test and scripts/demo: build tree, Wine environment and
# the display session the programs run in.

quorvi_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# quorvi_build <build dir> [extra cmake args...]
quorvi_build() {
    local build=$1; shift
    cmake -S "$quorvi_root" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$quorvi_root/cmake/mingw-i686.cmake" "$@" >/dev/null
    cmake --build "$build" -j "$(nproc)"
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
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
}

# quorvi_in_display <command...>: runs the command inside a virtual X display
# with one persistent wineserver for the prefix, and stops that wineserver
# (and every Wine process of the prefix with it) before the display goes away.
quorvi_in_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$quorvi_root/scripts/lib/wine-session" "$@"
}
