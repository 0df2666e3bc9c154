# The uninstaller, run silently: it takes out everything the setup put in
# and keeps the user's setups and settings. It is run from a copy, as it runs
# itself, so that the demo can wait for it (_?= names the folder it serves).
uninstaller=$sysdir/quorvi-uninstall.exe
[ -f "$uninstaller" ] || fail_step "quorvi-uninstall.exe is not installed"
cp "$uninstaller" "$WINEPREFIX/drive_c/windows/temp/quorvi-uninstall-copy.exe"
uninstall_status=0
wine 'C:\windows\temp\quorvi-uninstall-copy.exe' /S '/LOG=C:\quorvi-uninstall.log' '_?=C:\windows\system32' \
    </dev/null >/dev/null 2>&1 || uninstall_status=$?
rm -f "$WINEPREFIX/drive_c/windows/temp/quorvi-uninstall-copy.exe"
tr -d '\r' <"$WINEPREFIX/drive_c/quorvi-uninstall.log" | while IFS= read -r line; do report "  $line"; done
[ "$uninstall_status" = 0 ] || fail_step "the uninstaller failed with exit code $uninstall_status"
report "left in the system directory: $(cd "$sysdir" && ls | grep -i -E 'quorvi|asiopanel|\.ssf$' | tr '\n' ' ')"
report "left in the registry: $(wine reg query 'HKCR\CLSID\'"$asio_clsid" 2>/dev/null | tr -d '\r' | grep REG_ | tr -s ' ' | tr '\n' ';') $(wine reg query 'HKLM\Software\Quelmar' 2>/dev/null | tr -d '\r' | grep -c REG_) values under HKLM\\Software\\Quelmar"
