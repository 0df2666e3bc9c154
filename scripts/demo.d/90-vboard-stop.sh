# Ends the virtual boards started by 10-vboard.
if [ -n "${quorvisim_pid:-}" ]; then
    report "quorvisim at the end: $(wine "$quorvisim_exe" --ctl state 2>/dev/null | tr -d '\r' | tr '\n' ' ')"
    wine "$quorvisim_exe" --stop >/dev/null 2>&1 || true
    for _ in $(seq 1 40); do
        kill -0 "$quorvisim_pid" 2>/dev/null || break
        sleep 0.25
    done
    if kill -0 "$quorvisim_pid" 2>/dev/null; then
        kill "$quorvisim_pid" 2>/dev/null || true
        report "quorvisim did not stop; ended"
    else
        report "quorvisim stopped"
    fi
fi
