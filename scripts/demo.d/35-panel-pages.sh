# The applet's other pages on the two virtual boards: Setups, Meters/Mixer,
# Device Appearance (whose Save Settings writes the driver's service key) and
# the Identify dialog with board 1's optical input A looped to its output.
panel_demo=$(built panel_demo.exe)
# The boards' request log after sequence $1, page by page (one reply holds a
# few device blocks only).
sim_log_since() {
    local since=$1 page
    while page=$(wine "$quorvisim_exe" --ctl log "$since" 2>/dev/null | tr -d '\r') && [ -n "$page" ]; do
        echo "$page"
        since=$(echo "$page" | tail -n 1 | awk '{print $1}')
    done
}
service='HKLM\SYSTEM\CurrentControlSet\Services\QuorviNT'
# The key the NT driver's installer makes, with board 1's device counts; the
# page stores nothing without it.
wine reg add "$service" /v Start /t REG_DWORD /d 3 /f >/dev/null 2>&1
for count in nMonoInDevices=16 nStereoInDevices=8 nMonoOutDevices=16 nStereoOutDevices=8 MonitorDeviceEnable=1; do
    wine reg add "$service\\QuorviBoard0" /v "${count%=*}" /t REG_DWORD /d "${count#*=}" /f >/dev/null 2>&1
done
wine "$quorvisim_exe" --ctl loop 0 a on >/dev/null 2>&1
wine rundll32.exe shell32.dll,Control_RunDLL quorvipanel.cpl </dev/null >/dev/null 2>&1 &
applet_pid=$!
if [ -z "$panel_demo" ] || ! wine "$panel_demo" open; then
    kill "$applet_pid" 2>/dev/null || true
    fail_step "the applet's sheet did not open"
fi
wine "$panel_demo" tab 0
shot panel-setups
wine "$panel_demo" post 1119                                  # MTC Setup
wine "$panel_demo" wait "MTC Device Setup"
shot panel-mtc-setup
wine "$panel_demo" close "MTC Device Setup"
wine "$panel_demo" tab 1
shot panel-meters
wine "$panel_demo" tab 6
wine "$panel_demo" click 1157                                 # Restore Output Defaults
shot panel-appearance
wine "$panel_demo" post 1158                                  # Save Settings
wine "$panel_demo" wait QUORVI
shot panel-appearance-saved
report "Save Settings: $(wine "$panel_demo" box | tr -d '\r')"
names=$(wine reg query "$service" /s 2>/dev/null | tr -d '\r' | grep -c 'DeviceName' || true)
report "Save Settings wrote under $service: $names DeviceName values"
wine reg query "$service\\QuorviBoard0" 2>/dev/null | tr -d '\r' | awk '/REG_DWORD/ {print "  QuorviBoard0 " $1 " = " $3}' |
    while IFS= read -r line; do report "$line"; done
for key in QuorviBoard0\\MonoOut0 QuorviBoard0\\StereoOut7 QuorviBoard0\\MonitorOut QuorviBoard0\\MonoIn15 QuorviMTC; do
    report "  $key DeviceName = $(wine reg query "$service\\$key" /v DeviceName 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')"
done
last_seq=$(sim_log_since 0 | tail -n 1 | awk '{print $1}')
wine "$panel_demo" tab 2
wine "$panel_demo" post 1072                                  # Identify this board...
report "identify: $(wine "$panel_demo" identify | tr -d '\r')"
shot panel-identify
wine "$panel_demo" close "Identify Board and Optical Connections"
# The applet sends the stored settings once the dialog has gone.
for _ in $(seq 25); do
    sim_log=$(sim_log_since "${last_seq:-0}")
    echo "$sim_log" | grep -q ' QUORVI_SYS_UPDATE ' && break
    sleep 0.2
done
report "identify requests seen by board 1: $(echo "$sim_log" | awk '$4 == 0 && ($3 == "STOP_SERIAL" || $3 == "QUORVI_HC_REPROG_FPGA" || $3 == "QUORVI_HC_GET_FPGABYTE") {print $3}' | sort | uniq -c | tr -s ' ' | tr '\n' ';')"
report "after closing it the boards got the stored settings back: $(echo "$sim_log" | grep -c ' QUORVI_SYS_UPDATE ' || true) device block(s)"
wine "$panel_demo" cancel || fail_step "the applet did not close after Cancel"
await_exit "$applet_pid" "the applet"
