import os
import struct
import tempfile
import unittest

import numpy as np

from support import ct2_model_bytes, parse_ggml_records, shared_model
import convert_ct2_whisper
import ggml_model_info
from mel_filters import mel_filters

STATE, MELS, AUDIO_CTX, TEXT_CTX = 64, 80, 6, 4
SPECIALS = ["<|endoftext|>", "<|startoftranscript|>", "<|en|>"]


def vocabulary():
    # The first entries are GPT-2's printable stand-ins for bytes: "Ġ" is a space and
    # "Ā" the byte 0x00; "Ã©" is the two bytes of "é".
    tokens = ["!", "Ġhello", "Ā", "Ã©", "<|x|>"]
    tokens += [f"t{i}" for i in range(convert_ct2_whisper.BYTE_LEVEL_TOKENS - len(tokens) - 1)] + [""]
    return tokens + SPECIALS


def synthetic_whisper(rng, int8=False):
    """A one-layer Whisper in CTranslate2's layout, and the values by name."""
    def m(rows, cols):
        return rng.standard_normal((rows, cols)).astype(np.float16)

    def v(n):
        return rng.standard_normal(n).astype(np.float32)

    variables = [
        ("encoder/num_heads", np.array(2, dtype=np.int16)),
        ("encoder/conv1/weight", rng.standard_normal((STATE, MELS, 3)).astype(np.float16)),
        ("encoder/conv1/bias", v(STATE)),
        ("encoder/conv2/weight", rng.standard_normal((STATE, STATE, 3)).astype(np.float16)),
        ("encoder/conv2/bias", v(STATE)),
        ("encoder/position_encodings/encodings", v(AUDIO_CTX * STATE).reshape(AUDIO_CTX, STATE)),
        ("encoder/layer_norm/gamma", v(STATE)), ("encoder/layer_norm/beta", v(STATE)),
        ("decoder/embeddings/weight", m(len(vocabulary()), STATE)),
        ("decoder/position_encodings/encodings", v(TEXT_CTX * STATE).reshape(TEXT_CTX, STATE)),
        ("decoder/layer_norm/gamma", v(STATE)), ("decoder/layer_norm/beta", v(STATE)),
    ]
    for side in ("encoder", "decoder"):
        p = f"{side}/layer_0"
        attention = [("self_attention", ["linear_0", "linear_1"])]
        if side == "decoder":
            attention.append(("attention", ["linear_0", "linear_1", "linear_2"]))
        for block, linears in attention:
            variables += [(f"{p}/{block}/layer_norm/gamma", v(STATE)), (f"{p}/{block}/layer_norm/beta", v(STATE))]
            for linear in linears:
                rows = {("self_attention", "linear_0"): 3, ("attention", "linear_1"): 2}.get((block, linear), 1)
                bias = v(rows * STATE)
                if (block, linear) == ("self_attention", "linear_0"):
                    bias[STATE:2 * STATE] = 0  # the key has no bias
                variables += [(f"{p}/{block}/{linear}/weight", m(rows * STATE, STATE)), (f"{p}/{block}/{linear}/bias", bias)]
        variables += [(f"{p}/ffn/layer_norm/gamma", v(STATE)), (f"{p}/ffn/layer_norm/beta", v(STATE)),
                      (f"{p}/ffn/linear_0/weight", m(4 * STATE, STATE)), (f"{p}/ffn/linear_0/bias", v(4 * STATE)),
                      (f"{p}/ffn/linear_1/weight", m(STATE, 4 * STATE)), (f"{p}/ffn/linear_1/bias", v(STATE))]
    if int8:
        quantised = []
        for name, values in variables:
            if name == "encoder/layer_0/ffn/linear_0/weight":
                scale = (127 / np.abs(values.astype(np.float32)).max(axis=1)).astype(np.float32)
                q = np.round(values.astype(np.float32) * scale[:, None]).astype(np.int8)
                quantised += [(name, q), (name + "_scale", scale)]
                values = q.astype(np.float32) / scale[:, None]
            else:
                quantised.append((name, values))
        variables = quantised
    return variables, {name: values for name, values in variables}


class ConvertWhisperTest(unittest.TestCase):
    def convert(self, int8=False):
        variables, values = synthetic_whisper(np.random.default_rng(7), int8)
        folder = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.remove(os.path.join(folder, f)) for f in os.listdir(folder)])
        model = os.path.join(folder, "model.bin")
        with open(model, "wb") as f:
            f.write(ct2_model_bytes(variables, aliases=[("decoder/projection/weight", "decoder/embeddings/weight")]))
        vocab = os.path.join(folder, "vocabulary.txt")
        with open(vocab, "w", encoding="utf-8") as f:
            f.write("\n".join(vocabulary()) + "\n")
        output = os.path.join(folder, "ggml-test.bin")
        convert_ct2_whisper.convert([model], vocab, output)
        with open(output, "rb") as f:
            return output, f.read(), values

    def read_header(self, data):
        hparams = struct.unpack_from("<11i", data, 4)
        n_mel, n_fft = struct.unpack_from("<2i", data, 48)
        offset = 56 + 4 * n_mel * n_fft
        filters = np.frombuffer(data, "<f4", n_mel * n_fft, 56).reshape(n_mel, n_fft)
        (count,) = struct.unpack_from("<i", data, offset)
        offset += 4
        tokens = []
        for _ in range(count):
            (length,) = struct.unpack_from("<I", data, offset)
            tokens.append(data[offset + 4:offset + 4 + length])
            offset += 4 + length
        return hparams, filters, tokens, offset

    def test_header_filters_and_vocabulary(self):
        _, data, _ = self.convert()
        self.assertEqual(struct.unpack_from("<I", data)[0], 0x67676D6C)
        hparams, filters, tokens, _ = self.read_header(data)
        self.assertEqual(hparams, (len(vocabulary()), AUDIO_CTX, STATE, 2, 1, TEXT_CTX, STATE, 1, 1, MELS, 1))
        np.testing.assert_array_equal(filters, mel_filters(MELS, 400, 16000))
        # Only the byte-level entries are written, decoded to the bytes they stand for;
        # the special tokens are left to whisper.cpp.
        self.assertEqual(len(tokens), convert_ct2_whisper.BYTE_LEVEL_TOKENS)
        self.assertEqual(tokens[:5], [b"!", b" hello", b"\x00", "é".encode(), b"<|x|>"])
        self.assertEqual(tokens[-1], b"")

    def test_tensors_have_the_loaders_names_shapes_and_types(self):
        output, data, values = self.convert()
        records = {name: (shape, kind, raw) for name, shape, kind, raw in parse_ggml_records(data, self.read_header(data)[3])}
        self.assertEqual(len(records), ggml_model_info.expected_tensor_count(1, 1))
        expected = {
            "encoder.positional_embedding": ((AUDIO_CTX, STATE), 0),
            "encoder.conv1.weight": ((STATE, MELS, 3), 1),
            "encoder.conv1.bias": ((STATE, 1), 0),
            "encoder.blocks.0.attn.key.weight": ((STATE, STATE), 1),
            "encoder.blocks.0.mlp.0.weight": ((4 * STATE, STATE), 1),
            "encoder.blocks.0.mlp_ln.bias": ((STATE,), 0),
            "encoder.ln_post.weight": ((STATE,), 0),
            "decoder.token_embedding.weight": ((len(vocabulary()), STATE), 1),
            "decoder.positional_embedding": ((TEXT_CTX, STATE), 0),
            "decoder.blocks.0.cross_attn.value.bias": ((STATE,), 0),
            "decoder.blocks.0.cross_attn_ln.weight": ((STATE,), 0),
            "decoder.ln.bias": ((STATE,), 0),
        }
        for name, (shape, kind) in expected.items():
            with self.subTest(name):
                self.assertEqual(records[name][:2], (shape, kind))
        for absent in ("encoder.blocks.0.attn.key.bias", "decoder.blocks.0.cross_attn.key.bias"):
            self.assertNotIn(absent, records)

        def array(name):
            shape, kind, raw = records[name]
            return np.frombuffer(raw, "<f4" if kind == 0 else "<f2").reshape(shape)

        # The fused projections are split by rows: query, key, value.
        fused = values["encoder/layer_0/self_attention/linear_0/weight"]
        for i, part in enumerate(("query", "key", "value")):
            np.testing.assert_array_equal(array(f"encoder.blocks.0.attn.{part}.weight"), fused[i * STATE:(i + 1) * STATE])
        np.testing.assert_array_equal(array("decoder.blocks.0.cross_attn.value.bias"),
                                      values["decoder/layer_0/attention/linear_1/bias"][STATE:])
        np.testing.assert_array_equal(array("decoder.blocks.0.cross_attn.query.weight"),
                                      values["decoder/layer_0/attention/linear_0/weight"])
        np.testing.assert_array_equal(array("decoder.blocks.0.mlp.2.weight"), values["decoder/layer_0/ffn/linear_1/weight"])
        self.assertEqual(ggml_model_info.inspect(output)[0], ggml_model_info.COMPLETE)

    def test_int8_weights_are_dequantised(self):
        _, data, values = self.convert(int8=True)
        records = {name: raw for name, _, _, raw in parse_ggml_records(data, self.read_header(data)[3])}
        got = np.frombuffer(records["encoder.blocks.0.mlp.0.weight"], "<f2").astype(np.float32)
        q = values["encoder/layer_0/ffn/linear_0/weight"]
        self.assertEqual(q.dtype, np.int8)
        scale = values["encoder/layer_0/ffn/linear_0/weight_scale"]
        want = (q.astype(np.float32) / scale[:, None]).astype(np.float16).astype(np.float32).reshape(-1)
        np.testing.assert_array_equal(got, want)

    def test_model_info_tells_weightless_and_cut_off_files(self):
        output, data, _ = self.convert()
        header_end = self.read_header(data)[3]
        for label, content, status in (("weightless", data[:header_end], ggml_model_info.WEIGHTLESS),
                                        ("cut off", data[:-3], ggml_model_info.DAMAGED),
                                        ("not ggml", b"\0" * 64, ggml_model_info.DAMAGED)):
            with self.subTest(label):
                with open(output, "wb") as f:
                    f.write(content)
                self.assertEqual(ggml_model_info.inspect(output)[0], status)

    def test_rejects_mismatched_vocabulary_and_other_models(self):
        variables, _ = synthetic_whisper(np.random.default_rng(1))
        with tempfile.TemporaryDirectory() as folder:
            model, vocab = os.path.join(folder, "model.bin"), os.path.join(folder, "vocabulary.json")
            with open(vocab, "w") as f:
                f.write('["a", "b"]')
            with open(model, "wb") as f:
                f.write(ct2_model_bytes(variables))
            with self.assertRaises(convert_ct2_whisper.ConversionError):
                convert_ct2_whisper.convert([model], vocab, os.path.join(folder, "out.bin"))
            with open(model, "wb") as f:
                f.write(ct2_model_bytes(variables, spec_name="TransformerSpec"))
            with self.assertRaises(convert_ct2_whisper.ConversionError):
                convert_ct2_whisper.convert([model], vocab, os.path.join(folder, "out.bin"))
            self.assertFalse(os.path.exists(os.path.join(folder, "out.bin")))


class MelFiltersTest(unittest.TestCase):
    def test_matches_the_bank_in_whisper_cpp_model_files(self):
        path = shared_model("for-tests-ggml-tiny.bin")
        if path is None:
            self.skipTest("shared models folder not found")
        with open(path, "rb") as f:
            data = f.read(56 + 80 * 201 * 4)
        self.assertEqual(struct.unpack_from("<2i", data, 48), (80, 201))
        self.assertEqual(mel_filters(80, 400, 16000).tobytes(), data[56:])

    def test_shapes_and_normalisation(self):
        for bands in (80, 128):
            with self.subTest(bands=bands):
                bank = mel_filters(bands, 400, 16000)
                self.assertEqual(bank.shape, (bands, 201))
                self.assertTrue((bank >= 0).all())
                self.assertTrue((bank.max(axis=1) > 0).all())
        # Slaney normalisation: each triangle's area in Hz is about one (sampled every 40 Hz).
        self.assertTrue(np.allclose(mel_filters(80, 400, 16000).sum(axis=1) * 40.0, 1.0, rtol=0.25))


if __name__ == "__main__":
    unittest.main()
