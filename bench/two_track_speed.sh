#!/usr/bin/env bash
# The cost of transcribing a call from its two tracks: a generated call (tests/support/
# generate_call.py --seed 1, turns of the two sides with the far side's echo in the microphone's
# track at -10 dB and 30 ms) transcribed by `brindlewick transcribe --system-audio` with the
# bundled model, against the same speech as one track (as a microphone hearing the whole call,
# without echo, would record it). Prints both times, their ratio and the time the echo canceller
# alone takes; with "detail" also the two tracks without the canceller (its echoes found by their
# words alone), which shows what recognising the residual echo costs.
#   bench/two_track_speed.sh [MINUTES] [detail]     (default 60 minutes)
# Goal: the two tracks take at most 1.3 times the one track. The calls are kept in
# build/bench-audio. Run it with nice on a shared machine; an hour takes a while on two cores.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

minutes="${1:-60}"
detail="${2:-}"
[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake --build "$BW_BUILD" --target brindlewick bw_two_track_bench -j 2 >/dev/null
program="$BW_BUILD/bin/brindlewick"
model="$(ls "$BW_BUILD"/share/brindlewick/Models/ggml-base*.bin 2>/dev/null | head -1)"
[ -f "$model" ] || { bw_log "bench: no bundled model in $BW_BUILD"; exit 1; }

call="${BW_BENCH_AUDIO:-$BW_BUILD/bench-audio}/call-${minutes}min"
if [ ! -s "$call/both.wav" ]; then
    bw_log "bench: generating a call of $minutes minutes"
    mkdir -p "$call"
    python3 "$BW_ROOT/tests/support/generate_call.py" --seed 1 --seconds "$((minutes * 60))" \
        --echo-db -10 --delay-ms 30 --microphone "$call/mic.wav" --system "$call/system.wav" \
        --both "$call/both.wav.tmp"
    mv "$call/both.wav.tmp" "$call/both.wav"
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# Wall-clock and processor seconds of a command, "wall cpu".
timed() {
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f '%U %S' -o "$out/cpu" "$@" 2>/dev/null >/dev/null
    end=$(date +%s.%N)
    python3 -c "u, s = open('$out/cpu').read().split()[-2:]; print(f'{$end - $start:.1f} {float(u) + float(s):.1f}')"
}
transcribe=("$program" transcribe --language en --model "$model" --format json)

printf '%-28s %9s %9s\n' "$minutes minutes of a call" wall_s cpu_s
read -r oneWall oneCpu <<< "$(timed "${transcribe[@]}" "$call/both.wav" --output "$out/one.json")"
printf '%-28s %9s %9s\n' "one track" "$oneWall" "$oneCpu"
read -r twoWall twoCpu <<< "$(timed "${transcribe[@]}" "$call/mic.wav" --system-audio "$call/system.wav" \
    --output "$out/two.json")"
printf '%-28s %9s %9s\n' "two tracks" "$twoWall" "$twoCpu"
read -r cancelWall cancelCpu <<< "$(timed "$BW_BUILD/bin/bw_two_track_bench" cancel \
    "$call/mic.wav" "$call/system.wav" "$out/cleaned.caf")"
printf '%-28s %9s %9s\n' "  of it the echo canceller" "$cancelWall" "$cancelCpu"
if [ -n "$detail" ]; then
    read -r plainWall plainCpu <<< "$(timed "${transcribe[@]}" "$call/mic.wav" --system-audio \
        "$call/system.wav" --no-echo-canceller --output "$out/matched.json")"
    printf '%-28s %9s %9s\n' "two tracks, no canceller" "$plainWall" "$plainCpu"
fi
python3 - "$out" "$oneWall" "$twoWall" "$oneCpu" "$twoCpu" <<'PY'
import json, sys
out, one_wall, two_wall, one_cpu, two_cpu = sys.argv[1], *map(float, sys.argv[2:])
def segments(name):
    return json.load(open(f"{out}/{name}.json"))["segments"]
two = segments("two")
print(f"segments: one track {len(segments('one'))}, two tracks {len(two)} "
      f"({sum(1 for s in two if s.get('speaker') == 'me')} Me)")
print(f"ratio two/one: {two_wall / one_wall:.2f} wall, {two_cpu / one_cpu:.2f} processor")
PY
echo "load: $(uptime)"
