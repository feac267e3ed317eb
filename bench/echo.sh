#!/usr/bin/env bash
# The echo set: generated two-track calls (tests/support/generate_call.py, the long script of
# thirteen sentences, one of them said by both sides at once twice) with the far side's echo
# mixed into the microphone's track at -3 to -20 dB and 3 to 60 ms, transcribed by
# `brindlewick transcribe --system-audio` with the bundled model. Prints per call the sentences
# lost and doubled: with the echo cancelled and then matched by its words (the program's way),
# matched by its words only (--no-echo-canceller), and without removal (the two tracks
# transcribed on their own and merged); and the time of the two-track transcription beside one track holding both sides'
# speech (as a microphone hearing the whole call would record it).
#   bench/echo.sh          every level and delay
#   bench/echo.sh quick    -3, -10 and -20 dB at 3 and 60 ms
# With BW_BENCH_KEEP set, the calls and transcripts are kept (the folder is printed).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake --build "$BW_BUILD" --target brindlewick -j 2 >/dev/null
program="$BW_BUILD/bin/brindlewick"
model="$(ls "$BW_BUILD"/share/brindlewick/Models/ggml-base*.bin 2>/dev/null | head -1)"
[ -f "$model" ] || { bw_log "bench: no bundled model in $BW_BUILD"; exit 1; }
support="$BW_ROOT/tests/support"

levels=(-3 -6 -10 -14 -20)
delays=(3 10 30 60)
if [ "${1:-}" = quick ]; then
    levels=(-3 -10 -20)
    delays=(3 60)
fi

work="$(mktemp -d)"
[ -z "${BW_BENCH_KEEP:-}" ] || bw_log "bench: calls in $work"
[ -n "${BW_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

seconds() { python3 -c 'import sys,time; print(f"{time.time():.3f}")'; }
transcribe() { "$program" transcribe "$@" --language en --model "$model" 2>/dev/null; }

printf '%-7s %-6s %-20s %-20s %-20s %-9s %-9s\n' echo delay "cancel+match" "match only" "no removal" "2 tracks" "1 track"
for level in "${levels[@]}"; do
    for delay in "${delays[@]}"; do
        call="$work/$level-$delay"
        mkdir -p "$call"
        python3 "$support/generate_call.py" --long --echo-db "$level" --delay-ms "$delay" \
            --microphone "$call/mic.wav" --system "$call/system.wav" --both "$call/both.wav"
        start=$(seconds)
        transcribe "$call/mic.wav" --system-audio "$call/system.wav" --format json \
            --output "$call/two.json"
        two=$(python3 -c "print(f'{$(seconds) - $start:.1f} s')")
        transcribe "$call/mic.wav" --system-audio "$call/system.wav" --no-echo-canceller \
            --format json --output "$call/matched.json"
        transcribe "$call/mic.wav" --format json --output "$call/mic.json"
        transcribe "$call/system.wav" --format json --output "$call/system.json"
        python3 - "$call" <<'PY'
import json, sys
call = sys.argv[1]
segments = []
for name, speaker in (("mic", "me"), ("system", "others")):
    for s in json.load(open(f"{call}/{name}.json"))["segments"]:
        segments.append(dict(s, speaker=speaker))
json.dump({"segments": sorted(segments, key=lambda s: s["start"])}, open(f"{call}/plain.json", "w"))
PY
        # One track with both sides' speech, without echo: the same speech for the recognizer.
        start=$(seconds)
        transcribe "$call/both.wav" --format json --output "$call/both.json"
        one=$(python3 -c "print(f'{$(seconds) - $start:.1f} s')")
        score() { python3 "$support/call_score.py" "$call/call.json" "$call/$1" 2>/dev/null | head -1 || true; }
        full=$(score two.json)
        matched=$(score matched.json)
        plain=$(score plain.json)
        printf '%-7s %-6s %-20s %-20s %-20s %-9s %-9s\n' "$level dB" "$delay ms" "${full% of*}" \
            "${matched% of*}" "${plain% of*}" "$two" "$one"
    done
done
