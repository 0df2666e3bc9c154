# Board 1's meter window on the virtual boards' test signals, then moved
# into the notification area (Wine shows its icons in the "Wine System Tray"
# window at the top left), and the status sheet with an error the boards
# report. Starts the tray if an earlier step closed it, and closes it at
# the end.
tray_driver=$(built tray_demo.exe)
quorvisim_exe=$(built quorvisim.exe)
meters_title="QUORVI #1 Audio Level Meters"
if [ ! -f "$sysdir/quorvitray.exe" ] || [ -z "$tray_driver" ] || [ -z "$quorvisim_exe" ]; then
    report "quorvitray.exe, quorvisim.exe or the demo driver not built; step skipped"
else
    # A tray still running from an earlier step stays the only one: this
    # start then ends at once.
    wine "$sysdir/quorvitray.exe" </dev/null >/dev/null 2>&1 &
    tray_pid=$!
    wine "$tray_driver" started || fail_step "the tray did not start"
    report "tray running"
    wine "$tray_driver" command 32781   # Show Meters for QUORVI #1
    wine "$tray_driver" window "$meters_title" || fail_step "the meter window of board 1 did not open"
    sleep 1
    shot meters-board1
    report "meter window: $meters_title, board 1 playing decaying test signals"

    wine "$tray_driver" syscommand "$meters_title" 13104   # Move to Tray
    sleep 1
    shot meters-in-tray
    report "meters moved to the notification area: nine icons, four for the inputs, four for the outputs, one for the monitor pair"

    wine "$quorvisim_exe" --ctl status 0 0 16 >/dev/null || fail_step "the boards did not take the status words"
    sleep 2   # the monitor latches the words on its next tick
    wine "$tray_driver" command 61206   # Show Status/Errors
    wine "$tray_driver" window "QUORVI Status" || fail_step "the status sheet did not open"
    sleep 1
    report "status sheet, board 1 reporting an S/PDIF validity error: $(wine "$tray_driver" text "QUORVI Status" 1025 | tr -d '\r'), measured $(wine "$tray_driver" text "QUORVI Status" 1020 | tr -d '\r')"
    shot status-sheet
    wine "$quorvisim_exe" --ctl status 0 0 0 >/dev/null || true

    wine "$tray_driver" shutdown
    await_exit "$tray_pid" "the tray, after QUORVI SHUTDOWN,"
    report "tray closed"
fi
