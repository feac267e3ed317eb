#!/usr/bin/env bash
# The two-track recording's figures: the alignment of the two tracks after an hour of a
# simulated 100 ppm drift, and the CPU share of one core that capturing the microphone and this
# computer's sound takes, against the microphone alone, from a private sound server's null
# source (48 kHz stereo) and its default null sink's monitor.
#   bench/two_tracks.sh [SECONDS]     (default 30)
# Goals: under 20 ms after 60 minutes; two streams under 2% of one core.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

seconds="${1:-30}"
[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_two_track_bench -j 2 >/dev/null
bench="$BW_BUILD/bin/bw_two_track_bench"

echo "== alignment"
"$bench" alignment 60 100

source "$(dirname "${BASH_SOURCE[0]}")/sound_server.sh"

echo "== capture ($seconds s each)"
printf '%-8s %8s %8s %8s %10s\n' streams mic_s system_s wall_s cpu_pct
"$bench" capture one "$seconds"
"$bench" capture two "$seconds"
echo "load: $(uptime)"
