# The AudioX plug-in, as the setup registered it: its mixer shown to a small
# host on the two virtual boards (element tree), a channel muted and unmuted
# (the gain words board 1 received), and the equaliser page in a property
# frame.
audiox_host=$(built audiox_host.exe)
if [ ! -f "$sysdir/quorvix.dll" ] || [ -z "$audiox_host" ]; then
    report "quorvix.dll or audiox_host.exe not built; step skipped"
else
    report "HKEY_CLASSES_ROOT\\AudioX: $(wine reg query 'HKCR\AudioX' /s 2>/dev/null | tr -d '\r' | grep -E '^HKEY|REG_SZ' | tr -s ' ' | tr '\n' ' ')"

    report "the mixer's elements (name | channels | kind -> what it feeds):"
    wine "$audiox_host" tree 2>&1 | tr -d '\r' | while IFS= read -r line; do report "  $line"; done

    # Input Channel 3 is board 1's input A:3: gain pair 2 of the inputs, words
    # 38 and 39 of the parameter block, after the 4-byte board index.
    sent_before=$(wine "$quorvisim_exe" --ctl log 2>/dev/null | grep -c ' QUORVI_SET_PARAM ' || true)
    wine "$audiox_host" mute "Input Channel 3" 0.5 2>&1 | tr -d '\r' | while IFS= read -r line; do report "  host: $line"; done
    le_word() { local h=$1; echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); }
    wine "$quorvisim_exe" --ctl log 2>/dev/null | tr -d '\r' | grep ' QUORVI_SET_PARAM ' | tail -n +$((sent_before + 1)) |
        while read -r _ _ _ board _ hex; do
            report "  QUORVI_SET_PARAM board $board: input A:3 gains $(le_word "${hex:$(((4 + 38 * 4) * 2)):8}") $(le_word "${hex:$(((4 + 39 * 4) * 2)):8}")"
        done

    wine "$audiox_host" eqpage >"$QUORVI_OUT/audiox-eqpage.txt" 2>&1 </dev/null &
    eqpage_pid=$!
    if wine "$audiox_host" find; then
        sleep 0.5
        shot audiox-eqpage
        wine "$audiox_host" close
    else
        report "the equaliser page did not open: $(tr -d '\r' <"$QUORVI_OUT/audiox-eqpage.txt")"
    fi
    await_exit "$eqpage_pid" "the equaliser page's frame"
fi
