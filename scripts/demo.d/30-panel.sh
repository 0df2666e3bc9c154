# The applet on the two virtual boards, started from Wine's Control Panel:
# board 2 goes to the two-SPDIF format on the varispeed clock and its output
# channels 1 and 2 swap rows; Apply sends the device block. The sheet holds
# the Setups page, then per board Meters/Mixer, Format, Clocks, In Routing,
# Out Routing and Appearance: board 2's pages are tabs 7 to 12.
panel_demo=$(built panel_demo.exe)
wine control.exe </dev/null >/dev/null 2>&1 &
control_pid=$!
if [ -z "$panel_demo" ] || ! wine "$panel_demo" listed; then
    kill "$control_pid" 2>/dev/null || true
    fail_step "Wine's Control Panel did not open"
fi
shot control-panel
if ! wine "$panel_demo" start; then
    kill "$control_pid" 2>/dev/null || true
    fail_step "the applet's sheet did not open from the Control Panel"
fi
await_exit "$control_pid" "the Control Panel"
wine "$panel_demo" tab 8
wine "$panel_demo" format 3
shot panel-format
wine "$panel_demo" tab 9
wine "$panel_demo" click 1077   # main clock: internal varispeed
shot panel-clocks
wine "$panel_demo" tab 10
shot panel-in-routing
wine "$panel_demo" tab 11
wine "$panel_demo" swap
shot panel-out-routing
updates_before=$(wine "$quorvisim_exe" --ctl log 2>/dev/null | grep -c ' QUORVI_SYS_UPDATE ' || true)
wine "$panel_demo" apply
# The board 2 block starts 24 + 968 bytes into the device block: format at
# +12, main clock of format 3 at +20 + 3, its output routes at +680 + 3 * 16.
block=$(wine "$quorvisim_exe" --ctl log 2>/dev/null | tr -d '\r' | grep ' QUORVI_SYS_UPDATE ' | tail -n 1 | awk '{print $6}')
updates_after=$(wine "$quorvisim_exe" --ctl log 2>/dev/null | grep -c ' QUORVI_SYS_UPDATE ' || true)
board2=$(( (24 + 968) * 2 ))
report "Apply sent $((updates_after - updates_before)) device block(s) with QUORVI_SYS_UPDATE"
report "  board 2 format: ${block:$((board2 + 24)):2}"
report "  board 2 main clock, format 3: ${block:$((board2 + 46)):2}"
report "  board 2 output routes, format 3: ${block:$((board2 + (680 + 48) * 2)):32}"
wine "$panel_demo" ok || fail_step "the applet did not close after OK"
report "applet closed; ControlPanelPage $(wine reg query 'HKLM\Software\Quelmar' /v ControlPanelPage 2>/dev/null | tr -d '\r' | awk '/ControlPanelPage/ {print $3}')"
