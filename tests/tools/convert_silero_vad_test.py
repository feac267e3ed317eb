import hashlib
import io
import os
import pickle
import struct
import sys
import tempfile
import types
import unittest
import zipfile

import numpy as np

from support import parse_ggml_records, shared_model
import convert_silero_vad
import torchscript_weights


class _Storage:
    def __init__(self, key, values):
        self.key, self.values = key, values


class _Tensor:
    """Pickles the way torch.jit.save writes a tensor: a call of _rebuild_tensor_v2 on a
    persistent storage with offset, size and stride."""

    def __init__(self, storage, offset, size, stride):
        self.args = (storage, offset, size, stride, False, {})

    def __reduce__(self):
        return (sys.modules["torch._utils"]._rebuild_tensor_v2, self.args)


def _fake_torch_modules():
    torch_module = types.ModuleType("torch")
    utils = types.ModuleType("torch._utils")

    def _rebuild_tensor_v2(*args):
        return args

    _rebuild_tensor_v2.__module__, _rebuild_tensor_v2.__qualname__ = utils.__name__, "_rebuild_tensor_v2"
    utils._rebuild_tensor_v2 = _rebuild_tensor_v2
    scripted = types.ModuleType("__torch__")

    class VAD:
        def __init__(self, state):
            self.state = state

        def __reduce__(self):
            return (VAD, (), self.state)

    VAD.__module__, VAD.__qualname__ = scripted.__name__, "VAD"
    scripted.VAD = VAD
    return {"torch": torch_module, "torch._utils": utils, scripted.__name__: scripted}, VAD


def torchscript_archive(path, tensors):
    """Writes a TorchScript-like archive whose root object holds tensors by dotted name."""
    modules, vad_class = _fake_torch_modules()
    saved = {name: sys.modules.get(name) for name in modules}
    sys.modules.update(modules)
    try:
        storages = []
        state = {}
        for name, values in tensors.items():
            values = np.asarray(values, dtype=np.float32)
            storage = _Storage(str(len(storages)), values.reshape(-1))
            storages.append(storage)
            stride = tuple(int(np.prod(values.shape[i + 1:])) for i in range(values.ndim))
            node = state
            *parents, leaf = name.split(".")
            for parent in parents:
                node = node.setdefault(parent, {})
            node[leaf] = _Tensor(storage, 0, values.shape, stride)

        def wrap(node):
            return vad_class({k: wrap(v) for k, v in node.items()}) if isinstance(node, dict) else node

        buffer = io.BytesIO()
        pickler = pickle.Pickler(buffer, protocol=2)
        pickler.persistent_id = lambda obj: (
            ("storage", "FloatStorage", obj.key, "cpu", obj.values.size) if isinstance(obj, _Storage) else None)
        pickler.dump(wrap(state))
    finally:
        for name, module in saved.items():
            if module is None:
                sys.modules.pop(name, None)
            else:
                sys.modules[name] = module
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("model/data.pkl", buffer.getvalue())
        for storage in storages:
            archive.writestr(f"model/data/{storage.key}", storage.values.astype("<f4").tobytes())


def silero_like(rng):
    channels = [(129, 128), (128, 64), (64, 64), (64, 128)]
    tensors = {"_model.stft.forward_basis_buffer": rng.standard_normal((258, 1, 256))}
    for i, (c_in, c_out) in enumerate(channels):
        tensors[f"_model.encoder.{i}.reparam_conv.weight"] = rng.standard_normal((c_out, c_in, 3))
        tensors[f"_model.encoder.{i}.reparam_conv.bias"] = rng.standard_normal(c_out)
    for name in ("weight_ih", "weight_hh"):
        tensors[f"_model.decoder.rnn.{name}"] = rng.standard_normal((512, 128))
    for name in ("bias_ih", "bias_hh"):
        tensors[f"_model.decoder.rnn.{name}"] = rng.standard_normal(512)
    tensors["_model.decoder.decoder.2.weight"] = rng.standard_normal((1, 128, 1))
    tensors["_model.decoder.decoder.2.bias"] = rng.standard_normal(1)
    tensors["_model_8k.encoder.0.reparam_conv.weight"] = rng.standard_normal((128, 65, 3))
    return {k: np.asarray(v, dtype=np.float32) for k, v in tensors.items()}


class ConvertSileroTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.tensors = silero_like(np.random.default_rng(3))
        self.jit = os.path.join(self.folder.name, "silero_vad.jit")
        torchscript_archive(self.jit, self.tensors)

    def test_archive_weights_are_read_without_torch(self):
        weights = torchscript_weights.load(self.jit)
        self.assertEqual(set(weights), set(self.tensors))
        for name, values in self.tensors.items():
            np.testing.assert_array_equal(weights[name], values)

    def test_header_order_and_types_match_whisper_cpp(self):
        output = os.path.join(self.folder.name, "vad.bin")
        convert_silero_vad.convert(self.jit, output)
        with open(output, "rb") as f:
            data = f.read()
        self.assertEqual(data[:18], struct.pack("<Ii", 0x67676D6C, 10) + b"silero-16k")
        header = struct.unpack_from("<22i", data, 18)
        self.assertEqual(header, (6, 2, 0, 512, 64, 4, 129, 128, 3, 128, 64, 3, 64, 64, 3, 64, 128, 3, 128, 128, 128, 1))
        records = parse_ggml_records(data, 18 + 22 * 4)
        expected = []
        for i in range(4):
            expected += [(f"encoder.{i}.reparam_conv.weight", 1), (f"encoder.{i}.reparam_conv.bias", 0)]
        expected += [(f"decoder.rnn.{n}", 0) for n in ("weight_ih", "weight_hh", "bias_ih", "bias_hh")]
        expected += [("decoder.decoder.2.weight", 1), ("decoder.decoder.2.bias", 0), ("stft.forward_basis_buffer", 1)]
        self.assertEqual([(name, kind) for name, _, kind, _ in records], [("_model." + n, k) for n, k in expected])
        by_name = {name: (shape, kind, raw) for name, shape, kind, raw in records}
        self.assertEqual(by_name["_model.decoder.decoder.2.weight"][0], (128,))
        self.assertEqual(by_name["_model.decoder.decoder.2.bias"][0], ())
        shape, _, raw = by_name["_model.stft.forward_basis_buffer"]
        np.testing.assert_array_equal(np.frombuffer(raw, "<f2").reshape(shape),
                                      self.tensors["_model.stft.forward_basis_buffer"].astype(np.float16))

    def test_missing_tensors_and_other_archives_fail_cleanly(self):
        del self.tensors["_model.decoder.rnn.bias_hh"]
        torchscript_archive(self.jit, self.tensors)
        output = os.path.join(self.folder.name, "vad.bin")
        with self.assertRaises(convert_silero_vad.ConversionError):
            convert_silero_vad.convert(self.jit, output)
        self.assertFalse(os.path.exists(output))
        with zipfile.ZipFile(self.jit, "w") as archive:
            archive.writestr("readme.txt", "no model")
        with self.assertRaises(torchscript_weights.FormatError):
            torchscript_weights.load(self.jit)

    def test_shared_silero_model_round_trips_through_the_writer(self):
        # Re-writing the tensors of whisper.cpp's own file with our writer gives its bytes.
        path = shared_model("ggml-silero-v6.2.0.bin")
        if path is None:
            self.skipTest("shared models folder not found")
        with open(path, "rb") as f:
            data = f.read()
        records = parse_ggml_records(data, 18 + 22 * 4)
        weights = {name: np.frombuffer(raw, "<f4" if kind == 0 else "<f2").reshape(shape).astype(np.float32)
                   for name, shape, kind, raw in records}
        weights["_model.decoder.decoder.2.weight"] = weights["_model.decoder.decoder.2.weight"].reshape(1, 128, 1)
        weights["_model.decoder.decoder.2.bias"] = weights["_model.decoder.decoder.2.bias"].reshape(1)
        torchscript_archive(self.jit, weights)
        output = os.path.join(self.folder.name, "vad.bin")
        convert_silero_vad.convert(self.jit, output)
        with open(output, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(), hashlib.sha256(data).hexdigest())


if __name__ == "__main__":
    unittest.main()
