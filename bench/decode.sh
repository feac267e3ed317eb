#!/usr/bin/env bash
# Decodes long generated recordings to 16 kHz mono through AudioStreamReader and reports the
# speed (multiple of real time, one core) and the peak memory of each run.
#   bench/decode.sh            one hour of mp3 and m4a, then 10 minutes against 2 hours
# The generated files are cached in build/bench-audio (BW_BENCH_AUDIO overrides it).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

audio="${BW_BENCH_AUDIO:-$BW_BUILD/bench-audio}"
mkdir -p "$audio"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null # picks up bench/ in a build configured before it
cmake --build "$BW_BUILD" --target bw_decode_bench -j 2 >/dev/null
bench="$BW_BUILD/bin/bw_decode_bench"

# 44.1 kHz stereo, different content in each channel: pink noise left, a tone right.
generate() { # name seconds
    local target="$audio/$1"
    [ -s "$target" ] && return
    bw_log "bench: generating $1"
    local codec=(-c:a libmp3lame -b:a 128k)
    [[ "$1" == *.m4a ]] && codec=(-c:a aac -b:a 128k)
    ffmpeg -v error -y \
        -f lavfi -i "anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:duration=$2" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$2" \
        -filter_complex "[0:a][1:a]amerge=inputs=2[out]" -map "[out]" \
        "${codec[@]}" "$target.part.${1##*.}"
    mv "$target.part.${1##*.}" "$target"
}

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
done
