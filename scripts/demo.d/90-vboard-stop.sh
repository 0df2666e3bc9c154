# Ends the virtual boards started by 10-vboard.
if [ -n "${quorvisim_pid:-}" ]; then
    report "quorvisim at the end: $(wine "$quorvisim_exe" --ctl state 2>/dev/null | tr -d '\r' | tr '\n' ' ')"
    wine "$quorvisim_exe" --stop >/dev/null 2>&1 || true
    await_exit "$quorvisim_pid" "quorvisim, after --stop,"
    report "quorvisim stopped"
fi
