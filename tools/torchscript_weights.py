"""Reads the weights of a TorchScript archive (the zip torch.jit.save writes) without
PyTorch: data.pkl is a pickle whose tensors point at raw little-endian storages stored
as the archive's data/<key> entries. Only the pickle's data is interpreted; no code from
the archive runs, and classes are replaced by plain holders of their state."""

import collections
import pickle
import zipfile

import numpy as np

_STORAGE_DTYPES = {
    "FloatStorage": np.dtype("<f4"),
    "DoubleStorage": np.dtype("<f8"),
    "HalfStorage": np.dtype("<f2"),
    "LongStorage": np.dtype("<i8"),
    "IntStorage": np.dtype("<i4"),
    "ShortStorage": np.dtype("<i2"),
    "CharStorage": np.dtype("i1"),
    "ByteStorage": np.dtype("u1"),
    "BoolStorage": np.dtype("?"),
}


_BUILTINS = {"set": set, "frozenset": frozenset, "list": list, "dict": dict, "tuple": tuple}


class FormatError(Exception):
    pass


class _Module:
    """Stands for any scripted class: keeps the state the pickle gives it."""

    def __init__(self, *args):
        self.state = None

    def __setstate__(self, state):
        self.state = state


class _Unpickler(pickle.Unpickler):
    def __init__(self, stream, storage):
        super().__init__(stream)
        self._storage = storage

    def find_class(self, module, name):
        if module == "torch._utils" and name == "_rebuild_tensor_v2":
            return self._rebuild_tensor
        if module == "torch" and name in _STORAGE_DTYPES:
            return name
        if module == "collections" and name == "OrderedDict":
            return collections.OrderedDict
        if module == "builtins" and name in _BUILTINS:
            return _BUILTINS[name]
        return type(name, (_Module,), {})

    def persistent_load(self, pid):
        if not (isinstance(pid, tuple) and len(pid) >= 5 and pid[0] == "storage"):
            raise FormatError(f"unexpected persistent id {pid!r}")
        _, storage_type, key, _location, numel = pid[:5]
        if storage_type not in _STORAGE_DTYPES:
            raise FormatError(f"unsupported storage type {storage_type}")
        dtype = _STORAGE_DTYPES[storage_type]
        data = self._storage(key)
        if len(data) != numel * dtype.itemsize:
            raise FormatError(f"storage {key} holds {len(data)} bytes, expected {numel * dtype.itemsize}")
        return np.frombuffer(data, dtype=dtype)

    @staticmethod
    def _rebuild_tensor(storage, offset, size, stride, *_rest):
        if not size:
            return storage[offset:offset + 1].reshape(()).copy() if storage.size else storage.reshape(0)
        strides = tuple(s * storage.itemsize for s in stride)
        view = np.lib.stride_tricks.as_strided(storage[offset:], shape=tuple(size), strides=strides)
        return np.array(view)


def load(path):
    """Returns {dotted.name: numpy array} for every tensor reachable from the archive's
    root object, e.g. "_model.encoder.0.reparam_conv.weight"."""
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        pickles = [n for n in names if n.endswith("/data.pkl") and n.count("/") == 1]
        if len(pickles) != 1:
            raise FormatError(f"{path} is not a TorchScript archive")
        prefix = pickles[0][: -len("data.pkl")]

        def storage(key):
            return archive.read(f"{prefix}data/{key}")

        with archive.open(pickles[0]) as stream:
            root = _Unpickler(stream, storage).load()

    tensors = {}

    def walk(value, path):
        if isinstance(value, np.ndarray):
            tensors[path] = value
        elif isinstance(value, _Module):
            walk(value.state, path)
        elif isinstance(value, dict):
            for key, item in value.items():
                walk(item, f"{path}.{key}" if path else str(key))

    walk(root, "")
    return tensors
