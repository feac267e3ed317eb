# Sourced by the benchmark scripts: long generated recordings, cached in build/bench-audio
# (BW_BENCH_AUDIO overrides it).
audio="${BW_BENCH_AUDIO:-$BW_BUILD/bench-audio}"
mkdir -p "$audio"

# 44.1 kHz stereo, different content in each channel: pink noise left, a tone right. A .caf
# is a recording as the program writes it: 16 kHz mono 16-bit.
generate() { # name seconds
    local target="$audio/$1"
    [ -s "$target" ] && return
    bw_log "bench: generating $1"
    local codec=(-c:a libmp3lame -b:a 128k)
    [[ "$1" == *.m4a ]] && codec=(-c:a aac -b:a 128k)
    [[ "$1" == *.caf ]] && codec=(-c:a pcm_s16le -ar 16000 -ac 1)
    ffmpeg -v error -y \
        -f lavfi -i "anoisesrc=color=pink:amplitude=0.3:sample_rate=44100:duration=$2" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$2" \
        -filter_complex "[0:a][1:a]amerge=inputs=2[out]" -map "[out]" \
        "${codec[@]}" "$target.part.${1##*.}"
    mv "$target.part.${1##*.}" "$target"
}
