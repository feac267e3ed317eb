#!/usr/bin/env bash
# Transcribes the first minutes of the classic meeting with the bundled model at 2 threads,
# once on the machine as it is and once beside busy programs (endless loops, as many as the
# processor has cores, at nice 5 like a background build), for several OpenMP barrier spin
# counts in alternation, and prints the wall and CPU time of every run with the load average.
#   bench/busy_machine.sh                       spin counts 1000 (the program's) and 50000, 3 minutes
#   bench/busy_machine.sh --spins "0 1000 50000" --minutes 10 --runs 2 --busy 3
# Run bench/peers.sh once first: it makes the meeting's recording in build/bench-audio.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

spins="1000 50000" minutes=3 runs=2 busy="$(nproc)"
while [ $# -gt 0 ]; do
    case "$1" in
        --spins) spins="$2"; shift 2 ;;
        --minutes) minutes="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --busy) busy="$2"; shift 2 ;;
        *) echo "usage: bench/busy_machine.sh [--spins \"N ...\"] [--minutes M] [--runs R] [--busy B]" >&2; exit 2 ;;
    esac
done

meeting="$BW_BUILD/bench-audio/meeting-10min.wav"
[ -f "$meeting" ] || { bw_log "bench: $meeting is missing (bench/peers.sh makes it)"; exit 1; }
cmake --build "$BW_BUILD" --target brindlewick -j 2 >/dev/null
work="$(mktemp -d)"
loops=()
stop_loops() { [ ${#loops[@]} -eq 0 ] || kill "${loops[@]}" 2>/dev/null; loops=(); }
trap 'stop_loops; rm -rf "$work"' EXIT
sox "$meeting" "$work/clip.wav" trim 0 "$((minutes * 60))"

measure() {
    local label="$1" spin="$2"
    /usr/bin/time -f "%e %U %S" -o "$work/time" env GOMP_SPINCOUNT="$spin" \
        "$BW_BUILD/bin/brindlewick" transcribe "$work/clip.wav" --language en --threads 2 \
        --format text >/dev/null 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
    read -r wall user sys < "$work/time"
    printf '%-6s spin %-6s wall %6.1f s  CPU %6.1f s  load %s\n' "$label" "$spin" "$wall" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$(cut -d' ' -f1 /proc/loadavg)"
}

for machine in idle busy; do
    if [ "$machine" = busy ]; then
        for _ in $(seq "$busy"); do nice -n 5 sh -c 'while :; do :; done' & loops+=($!); done
        sleep 2
    fi
    for _ in $(seq "$runs"); do
        for spin in $spins; do measure "$machine" "$spin"; done
    done
    stop_loops
done
