# Sourced by the capture benchmarks: starts a private sound server, stopped when the script
# exits, with a null sink "speakers" as the default output and a source the server clocks
# itself, "bench" (48 kHz stereo 16-bit, as a USB microphone delivers it), as the default input;
# PULSE_SERVER points at it.
runtime="$(mktemp -d)"
cleanup() {
    [ -n "${daemon:-}" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime" HOME="$runtime" \
    pulseaudio --daemonize=no --system=no -n --exit-idle-time=-1 --disallow-exit \
    --use-pid-file=no --disable-shm=yes \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
    -L "module-null-sink sink_name=speakers rate=48000 channels=2" \
    -L "module-null-source source_name=bench rate=48000 channels=2 format=s16le" \
    >"$runtime/daemon.log" 2>&1 &
daemon=$!
export PULSE_SERVER="unix:$runtime/native"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-source bench
pactl set-default-sink speakers
