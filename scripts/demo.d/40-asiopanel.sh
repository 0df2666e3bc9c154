# asiopanel: reserve board 1's interface A channels and the monitor pair for
# ASIO, store them with OK and show what the drivers will read.
asiopanel_driver=$(built asiopanel_demo.exe)
if [ ! -f "$sysdir/asiopanel.exe" ] || [ -z "$asiopanel_driver" ]; then
    report "asiopanel.exe or its demo driver not built; step skipped"
else
    mapfile -t asiopanel_keys < <(wine "$asiopanel_driver" keys | tr -d '\r')
    # The drivers' installers make their class keys and write the output
    # latency coefficients; stand in for them where nobody has.
    for key in "${asiopanel_keys[@]}"; do
        wine reg query "$key" /v o_CoeffBLatency >/dev/null 2>&1 && continue
        wine reg add "$key" /v o_CoeffBLatency /t REG_DWORD /d 2 /f >/dev/null 2>&1
        wine reg add "$key" /v o_ConstSLatency /t REG_DWORD /d 32 /f >/dev/null 2>&1
    done

    wine "$sysdir/asiopanel.exe" ASIO &
    asiopanel_pid=$!
    wine "$asiopanel_driver" reserve
    shot asiopanel-reserved
    wine "$asiopanel_driver" ok
    await_exit "$asiopanel_pid" "asiopanel, after OK,"
    report "stored for ASIO (${asiopanel_keys[0]}):"
    wine reg query "${asiopanel_keys[0]}" | tr -d '\r' | grep -E 'BlockLatency|RsrvChannels' |
        while read -r line; do report "  $line"; done
fi
