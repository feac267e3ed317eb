"""Builders of small synthetic inputs for the converter tests, written from the formats'
descriptions rather than with the code under test."""

import os
import struct
import sys

import numpy as np

SOURCE_DIR = os.environ.get("BW_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

CT2_DTYPE = {np.dtype("float32"): 0, np.dtype("int8"): 1, np.dtype("int16"): 2, np.dtype("int32"): 3,
             np.dtype("float16"): 4}


def _ct2_string(text):
    raw = text.encode() + b"\0"
    return struct.pack("<H", len(raw)) + raw


def ct2_model_bytes(variables, aliases=(), spec_name="WhisperSpec", version=6):
    """variables: list of (name, numpy array)."""
    out = [struct.pack("<I", version), _ct2_string(spec_name), struct.pack("<II", 3, len(variables))]
    for name, values in variables:
        values = np.asarray(values)
        out.append(_ct2_string(name) + struct.pack("<B", values.ndim))
        out.append(struct.pack(f"<{values.ndim}I", *values.shape))
        out.append(struct.pack("<BI", CT2_DTYPE[values.dtype], values.nbytes) + values.astype(values.dtype.newbyteorder("<")).tobytes())
    out.append(struct.pack("<I", len(aliases)))
    for alias, target in aliases:
        out.append(_ct2_string(alias) + _ct2_string(target))
    return b"".join(out)


def parse_ggml_records(data, offset):
    """Returns [(name, shape in numpy order, type, raw bytes)] from offset to the end."""
    records = []
    while offset < len(data):
        rank, length, kind = struct.unpack_from("<3i", data, offset)
        offset += 12
        dims = struct.unpack_from(f"<{rank}i", data, offset)
        offset += 4 * rank
        name = data[offset:offset + length].decode()
        offset += length
        size = int(np.prod(dims)) * (4 if kind == 0 else 2)
        records.append((name, tuple(reversed(dims)), kind, data[offset:offset + size]))
        offset += size
    return records


def shared_model(name):
    """A file from the shared models folder (BW_MODELS_DIR or ../shared/models beside the
    source tree), or None when it is missing outside CI."""
    for folder in (os.environ.get("BW_MODELS_DIR"), os.path.join(SOURCE_DIR, "..", "shared", "models")):
        if folder and os.path.isfile(os.path.join(folder, name)):
            return os.path.join(folder, name)
    if os.environ.get("CI"):
        raise FileNotFoundError(f"{name} is missing from the shared models folder")
    return None
