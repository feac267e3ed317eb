#!/usr/bin/env bash
# Decodes long generated recordings to 16 kHz mono through AudioStreamReader and reports the
# speed (multiple of real time, one core) and the peak memory of each run.
#   bench/decode.sh            one hour of mp3 and m4a, then 10 minutes against 2 hours
# The generated files are cached in build/bench-audio (BW_BENCH_AUDIO overrides it).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null # picks up bench/ in a build configured before it
cmake --build "$BW_BUILD" --target bw_decode_bench -j 2 >/dev/null
bench="$BW_BUILD/bin/bw_decode_bench"

source "$BW_ROOT/bench/generated_audio.sh"

run() { # file, pinned to one core
    taskset -c 0 "$bench" "$audio/$1"
}

for format in mp3 m4a; do
    generate "1h.$format" 3600
    generate "10min.$format" 600
    generate "2h.$format" 7200
done

printf '%-10s %10s %10s %10s %12s %12s\n' file audio_s wall_s cpu_s realtime_x peak_MiB
for format in mp3 m4a; do
    for name in "1h.$format" "10min.$format" "2h.$format"; do
        run "$name"
    done
done | tee "$audio/results.txt"
# Goal: peak memory independent of length, 10 minutes and 2 hours within 10 MiB.
awk '{ peak[$1] = $6 }
     END { for (f in peak) if (f ~ /^10min/) { sub(/^10min/, "", f);
           printf "peak memory, 2h minus 10min (%s): %.1f MiB\n", substr(f, 2), peak["2h" f] - peak["10min" f] } }' \
    "$audio/results.txt"
