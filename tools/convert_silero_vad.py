#!/usr/bin/env python3
"""Converts the 16 kHz Silero VAD model from the TorchScript file the silero-vad package
ships (silero_vad/data/silero_vad.jit) into whisper.cpp's ggml VAD model file.

Header: the magic, the model type as an i32-length string, the version (three i32), the
window and context sizes in samples, the encoder layer count with each layer's input
channels, output channels and kernel size, then the LSTM input and hidden sizes and the
final convolution's input and output channels. Then the tensors: convolution weights,
the final convolution's weight and the STFT basis in f16; biases and the LSTM in f32.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ggml_file  # noqa: E402
import torchscript_weights  # noqa: E402

MODEL_TYPE = "silero-16k"
WINDOW_SAMPLES = 512  # 32 ms at 16 kHz
CONTEXT_SAMPLES = 64
PREFIX = "_model."


class ConversionError(Exception):
    pass


def _encoder_layers(weights):
    count = 0
    while f"{PREFIX}encoder.{count}.reparam_conv.weight" in weights:
        count += 1
    if count == 0:
        raise ConversionError("the archive holds no 16 kHz Silero encoder")
    return count


def tensors(weights):
    """(name, values, ggml type) in the order whisper.cpp's own files list them."""
    f16, f32 = ggml_file.F16, ggml_file.F32

    def get(name):
        if PREFIX + name not in weights:
            raise ConversionError(f"the archive has no tensor {PREFIX + name}")
        return weights[PREFIX + name]

    for i in range(_encoder_layers(weights)):
        yield f"encoder.{i}.reparam_conv.weight", get(f"encoder.{i}.reparam_conv.weight"), f16
        yield f"encoder.{i}.reparam_conv.bias", get(f"encoder.{i}.reparam_conv.bias"), f32
    for name in ("weight_ih", "weight_hh", "bias_ih", "bias_hh"):
        yield f"decoder.rnn.{name}", get(f"decoder.rnn.{name}"), f32
    # The 1x1 output convolution is stored as a vector and its single bias as a scalar.
    yield "decoder.decoder.2.weight", get("decoder.decoder.2.weight").reshape(-1), f16
    yield "decoder.decoder.2.bias", get("decoder.decoder.2.bias").reshape(()), f32
    yield "stft.forward_basis_buffer", get("stft.forward_basis_buffer"), f16


def convert(jit_path, output, version=(6, 2, 0)):
    weights = torchscript_weights.load(jit_path)
    layers = _encoder_layers(weights)
    temporary = output + ".partial"
    with open(temporary, "wb") as out:
        ggml_file.write_i32(out, ggml_file.MAGIC, len(MODEL_TYPE))
        out.write(MODEL_TYPE.encode("ascii"))
        ggml_file.write_i32(out, *version, WINDOW_SAMPLES, CONTEXT_SAMPLES, layers)
        for i in range(layers):
            out_channels, in_channels, kernel = weights[f"{PREFIX}encoder.{i}.reparam_conv.weight"].shape
            ggml_file.write_i32(out, in_channels, out_channels, kernel)
        hidden = weights[f"{PREFIX}decoder.rnn.weight_hh"].shape[1]
        lstm_input = weights[f"{PREFIX}decoder.rnn.weight_ih"].shape[1]
        final_out, final_in = weights[f"{PREFIX}decoder.decoder.2.weight"].shape[:2]
        ggml_file.write_i32(out, lstm_input, hidden, final_in, final_out)
        for name, values, ggml_type in tensors(weights):
            ggml_file.write_tensor(out, PREFIX + name, values, ggml_type)
    os.replace(temporary, output)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--jit", required=True, help="silero_vad.jit from the silero-vad package")
    parser.add_argument("--output", required=True)
    parser.add_argument("--version", default="6.2.0", help="the package version recorded in the header")
    args = parser.parse_args(argv)
    try:
        version = tuple(int(part) for part in args.version.split("."))
        if len(version) != 3:
            raise ConversionError(f"version {args.version} is not major.minor.patch")
        convert(args.jit, args.output, version)
    except (ConversionError, torchscript_weights.FormatError, ValueError, OSError) as error:
        print(f"convert_silero_vad: {error}", file=sys.stderr)
        return 1
    print(f"wrote {args.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
