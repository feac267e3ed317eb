#!/usr/bin/env bash
# Seeks one-hour recordings (a 16 kHz recording as the program writes it, mp3 and m4a) to 200
# random places each, as dragging the player's position does, and reports the mean and the
# slowest seek (one core). Every seek is exact to the frame.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_seek_bench -j 2 >/dev/null
source "$BW_ROOT/bench/generated_audio.sh"

printf '%-10s %10s %8s %10s %10s\n' file audio_s seeks mean_ms max_ms
for name in 1h.caf 1h.mp3 1h.m4a; do
    generate "$name" 3600
    taskset -c 0 "$BW_BUILD/bin/bw_seek_bench" "$audio/$name"
done
