#!/usr/bin/env bash
# Transcribes recordings of speech and silence in equal parts (espeak-ng speech in 10-second
# pieces between 10-second silences) with the test model, and prints per run: the model loading
# time, the whole transcription, decoding and planning (the rest), detection and recognition
# times (detection also in processor seconds), detection speed as a multiple of real time, how much audio the detector analysed per
# second of recording (the growing buffer is analysed again as it grows), the time of one plain
# detection pass over the file and its speed, the peak memory, and the peak memory once both
# models were loaded (before any audio was read): the difference is what the run itself holds.
#   bench/transcribe.sh        10 minutes fully; then 10 minutes against 2 hours with
#                              recognition answered empty (--detect-only) to compare memory
#   bench/transcribe.sh quick  only the full 10-minute run
# Models come from BW_MODELS_DIR or ../shared/models; the audio is cached in build/bench-audio.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

models="${BW_MODELS_DIR:-}"
if [ -z "$models" ]; then
    for candidate in "$BW_ROOT/../shared/models" "$BW_ROOT/../../shared/models"; do
        [ -d "$candidate" ] && models="$(cd "$candidate" && pwd)" && break
    done
fi
model="$models/for-tests-ggml-tiny.bin"
vad="$models/ggml-silero-v6.2.0.bin"
[ -f "$model" ] && [ -f "$vad" ] || { bw_log "bench: models not found (set BW_MODELS_DIR)"; exit 1; }

audio="${BW_BENCH_AUDIO:-$BW_BUILD/bench-audio}"
mkdir -p "$audio"

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake -S "$BW_ROOT" -B "$BW_BUILD" >/dev/null
cmake --build "$BW_BUILD" --target bw_transcribe_bench -j 2 >/dev/null
bench="$BW_BUILD/bin/bw_transcribe_bench"

if [ ! -s "$audio/speech-10min.wav" ]; then
    bw_log "bench: generating 10 minutes of speech and silence"
    work="$(mktemp -d)"
    texts=(
        "Ask not what your country can do for you. Ask what you can do for your country. We choose to go to the moon in this decade and do the other things, not because they are easy, but because they are hard."
        "The quick brown fox jumps over the lazy dog while the patient recorder keeps every word. Meetings run long, and notes are easier when the machine listens and writes them down for you."
        "Transcription runs one recording at a time. Silence is skipped, the audio is cut at pauses, and finished segments appear while the work goes on, with an estimate of when it will be ready."
    )
    sox -n -r 16000 -c 1 -b 16 "$work/silence.wav" trim 0 10
    parts=()
    for i in $(seq 0 29); do
        text="${texts[$((i % 3))]}"
        espeak-ng -s $((150 + (i % 5) * 10)) -w "$work/raw.wav" "$text"
        # Exactly 10 s of speech: trimmed at both ends, repeated if short, cut to length.
        sox "$work/raw.wav" -r 16000 -c 1 -b 16 "$work/speech-$i.wav" \
            silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse repeat 2 trim 0 10
        parts+=("$work/speech-$i.wav" "$work/silence.wav")
    done
    sox "${parts[@]}" "$audio/speech-10min.wav"
    rm -rf "$work"
fi
if [ ! -s "$audio/speech-2h.wav" ]; then
    bw_log "bench: generating 2 hours"
    sox "$audio/speech-10min.wav" "$audio/speech-2h.wav" repeat 11
fi

printf 'models: %s (%s bytes), %s (%s bytes)\n' "$(basename "$model")" "$(stat -c %s "$model")" \
    "$(basename "$vad")" "$(stat -c %s "$vad")"
printf '%-14s %8s %7s %7s %8s %8s %8s %9s %8s %6s %9s %6s %8s %9s\n' file audio_s load_s \
    total_s decode_s detect_s detect_cpu recog_s detect_x analysed one_pass_s pass_x peak_MiB \
    loaded_MiB
"$bench" "$audio/speech-10min.wav" "$model" "$vad"
[ "${1:-}" = quick ] && exit 0
echo "recognition answered empty:"
"$bench" "$audio/speech-10min.wav" "$model" "$vad" --detect-only --no-one-pass
"$bench" "$audio/speech-2h.wav" "$model" "$vad" --detect-only --no-one-pass
