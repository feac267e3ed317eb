#!/usr/bin/env python3
"""Tells whether a file is a complete whisper.cpp Whisper model: the header parses, the
tensor records run exactly to the end of the file, and every tensor the loader expects
is there. whisper.cpp's weightless test models (header and vocabulary only) are not.

Exit status: 0 a complete model, 2 a weightless one, 1 anything else. Prints one line.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ggml_file  # noqa: E402

COMPLETE, WEIGHTLESS, DAMAGED = 0, 2, 1


def expected_tensor_count(n_audio_layer, n_text_layer):
    # Encoder: positional embedding, two convolutions with biases, the final norm, and 15
    # per block; decoder: two embeddings, the final norm, and 24 per block.
    return 7 + 15 * n_audio_layer + 4 + 24 * n_text_layer


def inspect(path):
    """Returns (status, message)."""
    size = os.path.getsize(path)
    with open(path, "rb") as f:
        head = f.read(48)
        if len(head) < 48 or struct.unpack("<I", head[:4])[0] != ggml_file.MAGIC:
            return DAMAGED, "not a ggml model file"
        hparams = struct.unpack("<11i", head[4:])
        n_vocab, _, n_state, _, n_audio_layer, _, _, _, n_text_layer, n_mels, _ = hparams
        if not (0 < n_mels <= 256 and 0 < n_audio_layer <= 64 and 0 < n_text_layer <= 64 and 0 < n_vocab < 10**6):
            return DAMAGED, "the header's hyper-parameters are implausible"
        n_mel, n_fft = struct.unpack("<2i", f.read(8))
        if not (0 < n_mel <= 256 and 0 < n_fft <= 4096):
            return DAMAGED, "damaged mel filter bank"
        f.seek(4 * n_mel * n_fft, os.SEEK_CUR)
        (n_tokens,) = struct.unpack("<i", f.read(4))
        for _ in range(n_tokens):
            raw = f.read(4)
            if len(raw) < 4:
                return DAMAGED, "the vocabulary is cut off"
            f.seek(struct.unpack("<I", raw)[0], os.SEEK_CUR)
        try:
            names = {record.name for record in ggml_file.read_records(f, f.tell(), size)}
        except ValueError as error:
            return DAMAGED, str(error)
    if not names:
        return WEIGHTLESS, "a test model without weights"
    expected = expected_tensor_count(n_audio_layer, n_text_layer)
    if len(names) != expected:
        return DAMAGED, f"{len(names)} tensors, expected {expected}"
    return COMPLETE, f"{n_audio_layer} encoder and {n_text_layer} decoder layers, width {n_state}"


def main(argv=None):
    args = sys.argv[1:] if argv is None else argv
    if len(args) != 1:
        print("usage: ggml_model_info.py MODEL.bin", file=sys.stderr)
        return DAMAGED
    try:
        status, message = inspect(args[0])
    except OSError as error:
        status, message = DAMAGED, str(error)
    print(f"{args[0]}: {message}")
    return status


if __name__ == "__main__":
    sys.exit(main())
