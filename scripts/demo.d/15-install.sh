# The suite installed by its setup program, run silently as an
# administrator's script would, once the boards are in: it writes the ASIO
# latency coefficients of the boards it finds (here the virtual boards').
# The report gives the setup's own account and what the registry holds.
setup_exe=$(built quorvi-setup.exe)
[ -n "$setup_exe" ] || fail_step "quorvi-setup.exe was not built"
setup_log=$WINEPREFIX/drive_c/quorvi-setup.log
setup_status=0
wine "$setup_exe" /S '/LOG=C:\quorvi-setup.log' </dev/null >/dev/null 2>&1 || setup_status=$?
tr -d '\r' <"$setup_log" | while IFS= read -r line; do report "  $line"; done
[ "$setup_status" = 0 ] || fail_step "quorvi-setup.exe /S failed with exit code $setup_status"
asio_clsid=$(wine reg query 'HKLM\SOFTWARE\ASIO\ASIO Audio for Quorvi' /v CLSID 2>/dev/null | tr -d '\r' | awk '/CLSID/ {print $3}')
report "ASIO driver $asio_clsid:"
wine reg query "HKCR\\CLSID\\$asio_clsid" /s 2>/dev/null | tr -d '\r' | grep -E 'REG_' | tr -s ' ' |
    while IFS= read -r line; do report "  $line"; done
report "AudioX plug-ins: $(wine reg query 'HKCR\AudioX' /s 2>/dev/null | tr -d '\r' | grep -E '^HKEY|REG_SZ' | tr -s ' ' | tr '\n' ' ')"
report "installed programs: $(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -i quorvi | tr '\n' ' ')"
