# The tray's mixer window for board 1 after a few mouse moves, with the mix
# the board received; then the punch-in dialog counting the boards' running
# time code and reaching "HIT". The punch item needs the synchroniser's
# Koriad value. A tray left running by an earlier step is used and left
# running; otherwise one is started here and closed at the end.
tray_driver=$(built tray_demo.exe)
mixer_demo=$(built tray_mixer_demo.exe)
if [ ! -f "$sysdir/quorvitray.exe" ] || [ -z "$tray_driver" ] || [ -z "$mixer_demo" ]; then
    report "quorvitray.exe or the demo drivers not built; step skipped"
else
    wine reg add 'HKLM\Software\Quelmar' /v Koriad /t REG_DWORD /d 1 /f >/dev/null 2>&1
    mixer_tray_pid=
    if ! wine "$mixer_demo" running; then
        wine "$sysdir/quorvitray.exe" </dev/null >/dev/null 2>&1 &
        mixer_tray_pid=$!
        wine "$tray_driver" started || fail_step "the tray did not start"
        report "tray started"
    fi
    wine "$mixer_demo" mixer 0 || fail_step "the mixer window of board 1 did not open"
    moves=$(wine "$mixer_demo" moves 0 | tr -d '\r') || fail_step "the mixer moves reached no board: $moves"
    while IFS= read -r line; do report "  $line"; done <<<"$moves"
    shot tray-mixer

    punch=$(wine "$mixer_demo" punch 0:00:06.00 | tr -d '\r') || fail_step "the punch dialog did not arm: $punch"
    report "  $punch"
    shot tray-punch-waiting
    hit=$(wine "$mixer_demo" hit | tr -d '\r') || fail_step "the punch dialog did not reach HIT: $hit"
    report "  $hit"
    shot tray-punch-hit
    wine "$mixer_demo" close || fail_step "the mixer window did not close"

    if [ -n "$mixer_tray_pid" ]; then
        wine "$tray_driver" shutdown
        await_exit "$mixer_tray_pid" "the tray, after QUORVI SHUTDOWN,"
        report "tray closed"
    fi
fi
