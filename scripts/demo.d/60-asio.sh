# The ASIO driver as the setup registered it, with the latency coefficients
# it wrote for the virtual boards' loop-back (one block in, one block out): a
# host streams every channel of both boards for a few seconds with the
# outputs looped back, and the picture shows one channel's pattern as sent
# and as received, the received one shifted back by the latency the driver
# reports.
asio_host=$(built asio_loopback.exe)
if [ ! -f "$sysdir/quorviasio.dll" ] || [ -z "$asio_host" ]; then
    report "quorviasio.dll or asio_loopback.exe not built; step skipped"
else
    asio_clsid='{EF331249-FCE8-4C9D-A846-2C3AEF41C575}'
    asio_name='ASIO Audio for Quorvi'
    asio_class="HKCR\\CLSID\\$asio_clsid"
    # Every channel of both boards, blocks of 256 samples, as a user would
    # choose them in asiopanel.
    wine reg add "$asio_class" /v RsrvChannels /t REG_BINARY \
        /d ffff0000ffff00000000000000000000ffff0300ffff03000000000000000000 /f >/dev/null 2>&1
    wine reg add "$asio_class" /v BlockLatency /t REG_DWORD /d 4 /f >/dev/null 2>&1
    report "registered $asio_name: $(wine reg query "$asio_class\\InprocServer32" | tr -d '\r' | grep -E 'REG_SZ' | tr -s ' ' | tr '\n' ';')"
    report "hosts' list: $(wine reg query "HKLM\\SOFTWARE\\ASIO\\$asio_name" | tr -d '\r' | grep REG_SZ | tr -s ' ' | tr '\n' ';')"

    set +e
    wine "$asio_host" --seconds 4 --buffer 256 --picture "$QUORVI_OUT/asio-loopback.ppm" \
        >"$QUORVI_OUT/asio-loopback.txt" 2>&1 </dev/null
    asio_status=$?
    set -e
    tr -d '\r' <"$QUORVI_OUT/asio-loopback.txt" | while IFS= read -r line; do report "$line"; done
    if [ -f "$QUORVI_OUT/asio-loopback.ppm" ]; then
        convert "$QUORVI_OUT/asio-loopback.ppm" "$QUORVI_OUT/asio-loopback.png" && rm "$QUORVI_OUT/asio-loopback.ppm"
        report "picture: asio-loopback.png (top: sent, bottom: received, shifted back by the reported latency)"
    fi
    [ "$asio_status" = 0 ] || report "the loop-back did not come back as reported (exit $asio_status)"
fi
