#!/usr/bin/env bash
# The echo set: generated two-track calls (tests/support/generate_call.py --long: the fixed
# script of thirteen sentences, one of them said by both sides at once twice, and calls drawn
# from seeds, each with its own voices, turns, one-word answers and sentences said at once) with
# the far side's echo mixed into the microphone's track at -3 to -20 dB and 3 to 60 ms,
# transcribed by `brindlewick transcribe --system-audio` with the bundled model. Prints one row
# per level and delay: the sentences lost and doubled per call and in all, then every sentence
# that was lost or doubled. Exit status 1 when any was.
#   bench/echo.sh               every level and delay, the fixed call and seeds 1 and 2
#   bench/echo.sh quick         -3, -10 and -20 dB at 3 and 60 ms
#   bench/echo.sh compare       also each call matched by its words only (--no-echo-canceller)
#                               and without removal (the tracks transcribed on their own), and
#                               the two-track time beside one track holding both sides' speech
# BW_ECHO_CALLS="fixed 1 2 3" chooses the calls, BW_ECHO_LEVELS="-3 -6" and BW_ECHO_DELAYS="3"
# the cells; with BW_BENCH_KEEP set, the calls and transcripts are kept (the folder is printed).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake --build "$BW_BUILD" --target brindlewick -j 2 >/dev/null
program="$BW_BUILD/bin/brindlewick"
model="$(ls "$BW_BUILD"/share/brindlewick/Models/ggml-base*.bin 2>/dev/null | head -1)"
[ -f "$model" ] || { bw_log "bench: no bundled model in $BW_BUILD"; exit 1; }
support="$BW_ROOT/tests/support"

levels=(-3 -6 -10 -15 -20)
delays=(3 10 30 60)
compare=
case "${1:-}" in
    quick) levels=(-3 -10 -20); delays=(3 60) ;;
    compare) compare=1 ;;
    '') ;;
    *) bw_log "usage: bench/echo.sh [quick|compare]"; exit 2 ;;
esac
read -r -a calls <<< "${BW_ECHO_CALLS:-fixed 1 2}"
[ -z "${BW_ECHO_LEVELS:-}" ] || read -r -a levels <<< "$BW_ECHO_LEVELS"
[ -z "${BW_ECHO_DELAYS:-}" ] || read -r -a delays <<< "$BW_ECHO_DELAYS"

work="$(mktemp -d)"
[ -z "${BW_BENCH_KEEP:-}" ] || bw_log "bench: calls in $work"
[ -n "${BW_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

seconds() { python3 -c 'import time; print(f"{time.time():.3f}")'; }
elapsed() { python3 -c "print(f'{$(seconds) - $1:.1f}')"; }
transcribe() { "$program" transcribe "$@" --language en --model "$model" 2>/dev/null; }
# "lost L doubled D" of a transcript; its faults go to faults.txt.
score() {
    local call="$1" transcript="$2" label="$3" out
    out=$(python3 "$support/call_score.py" "$call/call.json" "$call/$transcript" 2>/dev/null || true)
    grep -E '^  (lost|doubled) ' <<< "$out" | sed "s|^ |$label|" >> "$work/faults.txt" || true
    head -1 <<< "$out" | sed -E 's/lost ([0-9]+) +doubled ([0-9]+) of.*/\1\/\2/'
}
# Both tracks transcribed on their own and merged: what the calls give without echo removal.
merged() {
    python3 - "$1" <<'PY'
import json, sys
call = sys.argv[1]
segments = []
for name, speaker in (("mic", "me"), ("system", "others")):
    for s in json.load(open(f"{call}/{name}.json"))["segments"]:
        segments.append(dict(s, speaker=speaker))
json.dump({"segments": sorted(segments, key=lambda s: s["start"])}, open(f"{call}/plain.json", "w"))
PY
}

: > "$work/faults.txt"
echo "lost/doubled sentences of 13 per call; calls: ${calls[*]}"
header=$(printf '%-7s %-6s' echo delay)
for c in "${calls[@]}"; do header+=$(printf ' %-6s' "$c"); done
header+=$(printf ' %-7s' total)
[ -z "$compare" ] || header+=$(printf ' %-11s %-11s %-9s %-9s' "match only" "no removal" "2 tracks" "1 track")
echo "$header"
failed=0
for level in "${levels[@]}"; do
    for delay in "${delays[@]}"; do
        row=$(printf '%-7s %-6s' "$level dB" "$delay ms")
        lost=0 doubled=0 matchedLost=0 matchedDoubled=0 plainLost=0 plainDoubled=0 two=0 one=0
        for c in "${calls[@]}"; do
            call="$work/$c/$level-$delay"
            mkdir -p "$call"
            seed=()
            [ "$c" = fixed ] || seed=(--seed "$c")
            python3 "$support/generate_call.py" --long "${seed[@]}" --echo-db "$level" \
                --delay-ms "$delay" --microphone "$call/mic.wav" --system "$call/system.wav" \
                --both "$call/both.wav"
            start=$(seconds)
            transcribe "$call/mic.wav" --system-audio "$call/system.wav" --format json \
                --output "$call/two.json"
            two=$(python3 -c "print($two + $(elapsed "$start"))")
            cell=$(score "$call" two.json "$level dB $delay ms call $c:")
            row+=$(printf ' %-6s' "$cell")
            lost=$((lost + ${cell%/*})) doubled=$((doubled + ${cell#*/}))
            [ -n "$compare" ] || continue
            transcribe "$call/mic.wav" --system-audio "$call/system.wav" --no-echo-canceller \
                --format json --output "$call/matched.json"
            transcribe "$call/mic.wav" --format json --output "$call/mic.json"
            transcribe "$call/system.wav" --format json --output "$call/system.json"
            merged "$call"
            # One track with both sides' speech, without echo: the same speech for the recognizer.
            start=$(seconds)
            transcribe "$call/both.wav" --format json --output "$call/both.json"
            one=$(python3 -c "print($one + $(elapsed "$start"))")
            cell=$(score "$call" matched.json "$level dB $delay ms call $c, match only:")
            matchedLost=$((matchedLost + ${cell%/*})) matchedDoubled=$((matchedDoubled + ${cell#*/}))
            cell=$(score "$call" plain.json "$level dB $delay ms call $c, no removal:")
            plainLost=$((plainLost + ${cell%/*})) plainDoubled=$((plainDoubled + ${cell#*/}))
        done
        row+=$(printf ' %-7s' "$lost/$doubled")
        [ -z "$compare" ] || row+=$(printf ' %-11s %-11s %-9s %-9s' "$matchedLost/$matchedDoubled" \
            "$plainLost/$plainDoubled" "$(printf '%.1f s' "$two")" "$(printf '%.1f s' "$one")")
        echo "$row"
        [ $((lost + doubled)) -eq 0 ] || failed=1
    done
done
if [ -s "$work/faults.txt" ]; then
    echo "faults:"
    cat "$work/faults.txt"
fi
echo "load: $(uptime)"
exit "$failed"
