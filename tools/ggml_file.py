"""Writing and reading the tensor records of whisper.cpp's ggml model files.

After a model-specific header, a file holds tensor records until its end: i32 rank,
i32 name length, i32 type (0 f32, 1 f16), the dimensions innermost first (numpy's shape
reversed), the name and the little-endian data.
"""

import struct

import numpy as np

MAGIC = 0x67676D6C
F32 = 0
F16 = 1
_NUMPY = {F32: np.dtype("<f4"), F16: np.dtype("<f2")}
# ggml type -> (values per block, bytes per block), for files quantised by whisper.cpp's
# own tools (q4_0, q4_1, q5_0, q5_1, q8_0), which setup accepts from a user's folder.
_BLOCKS = {F32: (1, 4), F16: (1, 2), 2: (32, 18), 3: (32, 20), 6: (32, 22), 7: (32, 24), 8: (32, 34)}


def write_i32(out, *values):
    out.write(struct.pack(f"<{len(values)}i", *values))


def write_tensor(out, name, values, ggml_type):
    """Writes one record; values is converted to the record's type (rounding to nearest)."""
    # astype rather than ascontiguousarray, which would turn a scalar into a vector.
    data = np.asarray(values, dtype=np.float32).astype(_NUMPY[ggml_type], order="C")
    encoded = name.encode("utf-8")
    write_i32(out, data.ndim, len(encoded), ggml_type)
    write_i32(out, *reversed(data.shape))
    out.write(encoded)
    out.write(data.tobytes())


class Record:
    def __init__(self, name, shape, ggml_type, offset):
        self.name = name
        self.shape = shape  # numpy order (outermost first)
        self.ggml_type = ggml_type
        self.offset = offset


def read_records(stream, offset, size):
    """Yields the tensor records from offset to size without reading their data. Raises
    ValueError for a record that runs past the end or has an unknown type."""
    position = offset
    while position < size:
        stream.seek(position)
        head = stream.read(12)
        if len(head) < 12:
            raise ValueError(f"a tensor record is cut off at offset {position}")
        rank, name_length, ggml_type = struct.unpack("<3i", head)
        if ggml_type not in _BLOCKS or not 0 <= rank <= 4 or not 0 < name_length < 4096:
            raise ValueError(f"a damaged tensor record at offset {position}")
        dims = struct.unpack(f"<{rank}i", stream.read(4 * rank))
        name = stream.read(name_length).decode("utf-8", "replace")
        data_offset = position + 12 + 4 * rank + name_length
        count = int(np.prod(dims, dtype=np.int64))
        per_block, block_bytes = _BLOCKS[ggml_type]
        position = data_offset + -(-count // per_block) * block_bytes
        if position > size:
            raise ValueError(f"tensor {name} runs past the end of the file")
        yield Record(name, tuple(reversed(dims)), ggml_type, data_offset)


def read_array(stream, record):
    stream.seek(record.offset)
    dtype = _NUMPY[record.ggml_type]
    count = int(np.prod(record.shape, dtype=np.int64))
    return np.frombuffer(stream.read(count * dtype.itemsize), dtype=dtype).reshape(record.shape)
