# quorvicore: load the working record (the factory setup on a fresh system),
# apply it to the virtual boards, and open the decay-rate dialog.
core_demo=$(built core_demo.exe)
if [ -z "$core_demo" ] || [ ! -f "$sysdir/quorvicore.dll" ]; then
    report "quorvicore.dll or core_demo.exe not built; step skipped"
else
    sim_log() { wine "$(built quorvisim.exe)" --ctl log 2>/dev/null | tr -d '\r'; }
    wine "$core_demo" apply 2>&1 | tr -d '\r' | while IFS= read -r line; do report "$line"; done || true
    report "Current = $(wine reg query 'HKCU\Software\Quelmar\Setups' /v Current 2>/dev/null | tr -d '\r' | awk '/Current/ {print $3}')"
    report "requests seen by the boards: $(sim_log | awk '{print $3}' | sort | uniq -c | tr -s ' ' | tr '\n' ';')"
    wine "$core_demo" decay 30 >"$QUORVI_OUT/core-decay.txt" 2>&1 </dev/null &
    decay_pid=$!
    decay_shown=0
    for _ in $(seq 40); do
        wine "$core_demo" find "Set Meter Decay Rate" && { decay_shown=1; break; }
        kill -0 "$decay_pid" 2>/dev/null || break
        sleep 0.25
    done
    [ "$decay_shown" = 1 ] || fail_step "the decay-rate dialog did not open: $(tr -d '\r' <"$QUORVI_OUT/core-decay.txt")"
    shot core-decay-rate
    wine "$core_demo" press "Set Meter Decay Rate" 1 || true
    await_exit "$decay_pid" "the decay-rate dialog, after OK,"
    report "$(tr -d '\r' <"$QUORVI_OUT/core-decay.txt")"
fi
