#!/usr/bin/env python3
"""Converts a CTranslate2 Whisper model (model.bin, possibly split into parts, and its
vocabulary) into whisper.cpp's ggml model file.

The output holds: the magic, eleven i32 hyper-parameters, the mel filter bank, the
byte-level vocabulary (whisper.cpp adds the special tokens itself) and every tensor
whisper.cpp's loader expects, under its names and shapes, matrices in f16 (or f32),
vectors, conv biases and positional embeddings in f32.
"""

import argparse
import json
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ct2_model  # noqa: E402
import ggml_file  # noqa: E402
from mel_filters import mel_filters  # noqa: E402

# GPT-2's byte-level vocabulary size: the entries before Whisper's special tokens. In
# English-only models the last one is <|endoftext|>; in multilingual ones it is unused.
BYTE_LEVEL_TOKENS = 50257
N_FFT = 400
SAMPLE_RATE = 16000


class ConversionError(Exception):
    pass


def _byte_decoder():
    """The inverse of GPT-2's mapping of bytes to printable characters."""
    printable = list(range(ord("!"), ord("~") + 1)) + list(range(ord("¡"), ord("¬") + 1)) + list(
        range(ord("®"), ord("ÿ") + 1))
    characters = printable[:]
    extra = 0
    for byte in range(256):
        if byte not in printable:
            printable.append(byte)
            characters.append(256 + extra)
            extra += 1
    return {chr(c): b for b, c in zip(printable, characters)}


_DECODER = _byte_decoder()


def token_bytes(token):
    """The bytes a vocabulary entry stands for. Special tokens (<|...|>) are plain ASCII
    and map to themselves."""
    try:
        return bytes(_DECODER[c] for c in token)
    except KeyError as error:
        raise ConversionError(f"vocabulary entry {token!r} is not byte-level BPE") from error


def read_vocabulary(path):
    """Reads vocabulary.txt (one token a line) or vocabulary.json (a list of strings)."""
    with open(path, encoding="utf-8") as f:
        if path.endswith(".json"):
            tokens = json.load(f)
        else:
            tokens = f.read().split("\n")
            if tokens and tokens[-1] == "":
                tokens.pop()
    if len(tokens) < BYTE_LEVEL_TOKENS:
        raise ConversionError(f"{path} holds {len(tokens)} tokens, fewer than {BYTE_LEVEL_TOKENS}")
    return tokens


def _f32(model, name):
    variable = model.get(name)
    values = variable.array().astype(np.float32)
    scale_name = name + "_scale"
    if variable.dtype_code == 1:  # int8 with per-row scales: value = q / scale
        if not model.has(scale_name):
            raise ConversionError(f"{name} is int8 without {scale_name}")
        scale = model.get(scale_name).array().astype(np.float32)
        values = values / scale.reshape(scale.shape + (1,) * (values.ndim - scale.ndim))
    return values


def _scalar(model, name, default):
    if not model.has(name):
        return default
    return int(model.get(name).array().reshape(-1)[0])


def _count_layers(model, prefix):
    count = 0
    while model.has(f"{prefix}/layer_{count}/ffn/linear_0/weight"):
        count += 1
    return count


def tensors(model):
    """Yields (ggml name, values, ggml type when matrices are f16) in the loader's order."""
    matrix, vector = "matrix", "vector"

    def linear(source, target, with_bias=True):
        yield target + ".weight", _f32(model, source + "/weight"), matrix
        if with_bias:
            yield target + ".bias", _f32(model, source + "/bias"), vector

    def layer_norm(source, target):
        yield target + ".weight", _f32(model, source + "/gamma"), vector
        yield target + ".bias", _f32(model, source + "/beta"), vector

    def fused(source, targets, biased):
        weight = _f32(model, source + "/weight")
        bias = _f32(model, source + "/bias")
        parts = len(targets)
        if weight.shape[0] % parts:
            raise ConversionError(f"{source} has {weight.shape[0]} rows, not divisible by {parts}")
        for target, w, b, has_bias in zip(targets, np.split(weight, parts), np.split(bias, parts), biased):
            yield target + ".weight", w, matrix
            if has_bias:
                yield target + ".bias", b, vector

    def ffn(source, target):
        yield from layer_norm(source + "/layer_norm", target + ".mlp_ln")
        yield from linear(source + "/linear_0", target + ".mlp.0")
        yield from linear(source + "/linear_1", target + ".mlp.2")

    def self_attention(source, target):
        yield from layer_norm(source + "/layer_norm", target + ".attn_ln")
        # Query, key and value are fused row-wise; Whisper's key has no bias.
        yield from fused(source + "/linear_0", [target + ".attn.query", target + ".attn.key", target + ".attn.value"],
                         [True, False, True])
        yield from linear(source + "/linear_1", target + ".attn.out")

    yield "encoder.positional_embedding", _f32(model, "encoder/position_encodings/encodings"), vector
    for n in (1, 2):
        yield f"encoder.conv{n}.weight", _f32(model, f"encoder/conv{n}/weight"), "conv"
        yield f"encoder.conv{n}.bias", _f32(model, f"encoder/conv{n}/bias")[:, None], vector
    for i in range(_count_layers(model, "encoder")):
        source, target = f"encoder/layer_{i}", f"encoder.blocks.{i}"
        yield from self_attention(source + "/self_attention", target)
        yield from ffn(source + "/ffn", target)
    yield from layer_norm("encoder/layer_norm", "encoder.ln_post")

    yield "decoder.positional_embedding", _f32(model, "decoder/position_encodings/encodings"), vector
    yield "decoder.token_embedding.weight", _f32(model, "decoder/embeddings/weight"), matrix
    for i in range(_count_layers(model, "decoder")):
        source, target = f"decoder/layer_{i}", f"decoder.blocks.{i}"
        yield from self_attention(source + "/self_attention", target)
        cross = source + "/attention"
        yield from layer_norm(cross + "/layer_norm", target + ".cross_attn_ln")
        yield from linear(cross + "/linear_0", target + ".cross_attn.query")
        yield from fused(cross + "/linear_1", [target + ".cross_attn.key", target + ".cross_attn.value"],
                         [False, True])
        yield from linear(cross + "/linear_2", target + ".cross_attn.out")
        yield from ffn(source + "/ffn", target)
    yield from layer_norm("decoder/layer_norm", "decoder.ln")


def hyper_parameters(model, ftype):
    embeddings = model.get("decoder/embeddings/weight").shape
    audio = model.get("encoder/position_encodings/encodings").shape
    text = model.get("decoder/position_encodings/encodings").shape
    conv1 = model.get("encoder/conv1/weight").shape
    n_audio_layer = _count_layers(model, "encoder")
    n_text_layer = _count_layers(model, "decoder")
    if not n_audio_layer or not n_text_layer:
        raise ConversionError("the model has no encoder or decoder layers")
    # Whisper's heads are 64 wide; the model's own num_heads, when present, is authoritative.
    return [
        embeddings[0], audio[0], audio[1], _scalar(model, "encoder/num_heads", audio[1] // 64), n_audio_layer,
        text[0], text[1], _scalar(model, "decoder/num_heads", text[1] // 64), n_text_layer, conv1[1], ftype,
    ]


def convert(parts, vocabulary_path, output, ftype=ggml_file.F16):
    model = ct2_model.open_parts(parts)
    if model.spec_name != "WhisperSpec":
        raise ConversionError(f"not a Whisper model: the spec_name is {model.spec_name}")
    hparams = hyper_parameters(model, ftype)
    vocabulary = read_vocabulary(vocabulary_path)
    if len(vocabulary) != hparams[0]:
        raise ConversionError(f"the vocabulary has {len(vocabulary)} tokens, the model {hparams[0]}")
    n_mels = hparams[9]
    temporary = output + ".partial"
    with open(temporary, "wb") as out:
        ggml_file.write_i32(out, ggml_file.MAGIC, *hparams)
        filters = mel_filters(n_mels, N_FFT, SAMPLE_RATE)
        ggml_file.write_i32(out, *filters.shape)
        out.write(filters.astype("<f4").tobytes())
        ggml_file.write_i32(out, BYTE_LEVEL_TOKENS)
        for token in vocabulary[:BYTE_LEVEL_TOKENS]:
            encoded = token_bytes(token)
            ggml_file.write_i32(out, len(encoded))
            out.write(encoded)
        for name, values, kind in tensors(model):
            if kind == "vector":
                ggml_type = ggml_file.F32
            else:
                ggml_type = ftype
            ggml_file.write_tensor(out, name, values, ggml_type)
    os.replace(temporary, output)
    return hparams


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--model", nargs="+", required=True,
                        help="model.bin, or its parts in order (they are read as one file)")
    parser.add_argument("--vocabulary", required=True, help="vocabulary.txt or vocabulary.json")
    parser.add_argument("--output", required=True)
    parser.add_argument("--f32", action="store_true", help="store the matrices as f32 instead of f16")
    args = parser.parse_args(argv)
    try:
        hparams = convert(args.model, args.vocabulary, args.output, ggml_file.F32 if args.f32 else ggml_file.F16)
    except (ConversionError, ct2_model.FormatError, OSError) as error:
        print(f"convert_ct2_whisper: {error}", file=sys.stderr)
        return 1
    print(f"wrote {args.output}: {hparams[4]} encoder and {hparams[8]} decoder layers, "
          f"width {hparams[2]}, vocabulary {hparams[0]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
