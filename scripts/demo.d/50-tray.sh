# The tray on the two virtual boards: its icon's menu, then board 1 switched
# to internal 48 kHz in the applet that the tray's "Open Control Panel"
# starts; the rate the tray announced and what it stored for the ASIO
# driver. The tray is closed at the end with "QUORVI SHUTDOWN": no later
# step needs it (a step that does should move that to its own end).
tray_driver=$(built tray_demo.exe)
panel_demo=$(built panel_demo.exe)
if [ ! -f "$sysdir/quorvitray.exe" ] || [ -z "$tray_driver" ] || [ -z "$panel_demo" ]; then
    report "quorvitray.exe or the demo drivers not built; step skipped"
else
    wine "$sysdir/quorvitray.exe" </dev/null >/dev/null 2>&1 &
    tray_pid=$!
    if ! wine "$tray_driver" started; then
        report "the tray did not start"
        kill "$tray_pid" 2>/dev/null || true
        false
    fi
    report "tray started; $(wine "$tray_driver" values | tr -d '\r' | tr '\n' ' ')"
    report "first announcement: $(wine "$tray_driver" rate 0 | tr -d '\r')"
    wine "$tray_driver" menu
    sleep 0.5
    shot tray-menu
    wine "$tray_driver" close-menu

    wine "$tray_driver" command 61209   # Open Control Panel
    if ! wine "$panel_demo" open; then report "the tray did not start the applet"; false; fi
    wine "$panel_demo" tab 3 && wine "$panel_demo" click 1075   # board 1 Clocks: main clock internal 48 kHz
    sleep 0.5
    shot tray-panel-48k
    if ! wine "$panel_demo" ok; then report "the applet did not close after OK"; false; fi
    report "after board 1 went to 48 kHz: $(wine "$tray_driver" rate 46000 | tr -d '\r')"
    for value in SampleRate ClockSource; do
        report "  HKLM\\Software\\Quelmar $(wine reg query 'HKLM\Software\Quelmar' /v $value 2>/dev/null | tr -d '\r' | awk -v v=$value '$1 == v {print $1 " " $2 " " $3}')"
    done
    wine "$tray_driver" shutdown
    await_exit "$tray_pid" "the tray, after QUORVI SHUTDOWN,"
    report "tray closed"
fi
