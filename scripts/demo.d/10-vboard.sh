# Virtual boards for the rest of the demo: quorvisim with two boards, meter
# test signals and running time code, in the background until 90-vboard-stop.
quorvisim_exe=$(built quorvisim.exe)
if [ -z "$quorvisim_exe" ]; then
    report "quorvisim.exe not built; the demo runs without boards"
else
    wine "$quorvisim_exe" --boards 2 --kind 0 1 --kind 1 1 \
        --signal 0 all decay 6000000 700 --signal 1 all steady 2000000 --signal 1 33 clip \
        --timecode-on on --timecode zero running \
        >"$QUORVI_OUT/quorvisim.txt" 2>&1 </dev/null &
    quorvisim_pid=$!
    quorvisim_up=0
    for _ in $(seq 1 60); do
        if wine "$quorvisim_exe" --ctl state >"$QUORVI_OUT/quorvisim-state.txt" 2>/dev/null; then
            quorvisim_up=1
            break
        fi
        kill -0 "$quorvisim_pid" 2>/dev/null || break
        sleep 0.5
    done
    if [ "$quorvisim_up" = 1 ]; then
        report "$(head -n 1 "$QUORVI_OUT/quorvisim.txt" | tr -d '\r')"
        report "quorvisim state: $(tr -d '\r' <"$QUORVI_OUT/quorvisim-state.txt" | tr '\n' ' ')"
    else
        report "quorvisim did not start: $(cat "$QUORVI_OUT/quorvisim.txt")"
    fi
fi
