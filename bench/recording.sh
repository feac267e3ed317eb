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

runtime="$(mktemp -d)"
cleanup() {
    [ -n "${daemon:-}" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
# A source the server clocks itself: 48 kHz stereo 16-bit, as a USB microphone delivers it.
XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime" HOME="$runtime" \
    pulseaudio --daemonize=no --system=no -n --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=no --disable-shm=yes \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
    -L "module-null-sink sink_name=speakers" \
    -L "module-null-source source_name=bench rate=48000 channels=2 format=s16le" \
    >"$runtime/daemon.log" 2>&1 &
daemon=$!
export PULSE_SERVER="unix:$runtime/native"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-source bench

printf '%-28s %8s %8s %10s %14s %12s %6s %s\n' format audio_s wall_s cpu_pct \
    longest_cb_ms max_gap_ms bufs frames
"$bench" "$seconds"
echo "load: $(uptime)"
