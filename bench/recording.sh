#!/usr/bin/env bash
# Records 48 kHz stereo for a while from a private sound server's source through the recording
# pipeline and reports the process's CPU share of one core, the longest capture callback
# (conversion and writing included) and the largest gap between buffers.
#   bench/recording.sh [SECONDS]     (default 30)
# Goals: under 2% of one core, no callback over 5 ms.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

seconds="${1:-30}"
[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_recording_bench -j 2 >/dev/null
bench="$BW_BUILD/bin/bw_recording_bench"

source "$(dirname "${BASH_SOURCE[0]}")/sound_server.sh"

printf '%-28s %8s %8s %10s %14s %12s %6s %s\n' format audio_s wall_s cpu_pct \
    longest_cb_ms max_gap_ms bufs frames
"$bench" "$seconds"
echo "load: $(uptime)"
