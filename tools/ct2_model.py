"""Reader for CTranslate2's model.bin (binary version 6), possibly split into parts.

The file is little-endian: u32 binary version, the model type's name, u32 its revision,
u32 variable count, then per variable its name, u8 rank, u32 dims, u8 dtype, u32 byte
count and the data; then u32 alias count and (alias, target) name pairs. A name is a
u16 length that counts a trailing NUL, then the bytes.
"""

import io
import struct

import numpy as np

# dtype codes of CTranslate2's DataType enumeration; bf16 is kept as raw u16.
DTYPES = {
    0: np.dtype("<f4"),
    1: np.dtype("i1"),
    2: np.dtype("<i2"),
    3: np.dtype("<i4"),
    4: np.dtype("<f2"),
    5: np.dtype("<u2"),
}
BF16 = 5


class FormatError(Exception):
    """The input is not a CTranslate2 model this reader understands."""


class ConcatenatedParts(io.RawIOBase):
    """Reads several files one after the other as one stream (a model split into parts)."""

    def __init__(self, paths):
        self._files = [open(p, "rb") for p in paths]
        self._index = 0

    def readable(self):
        return True

    def readinto(self, buffer):
        while self._index < len(self._files):
            n = self._files[self._index].readinto(buffer)
            if n:
                return n
            self._index += 1
        return 0

    def close(self):
        for f in self._files:
            f.close()
        super().close()


class Variable:
    def __init__(self, name, shape, dtype_code, offset, nbytes):
        self.name = name
        self.shape = tuple(shape)
        self.dtype_code = dtype_code
        self.offset = offset
        self.nbytes = nbytes
        self.data = None

    def array(self):
        """The values as a numpy array; bf16 is widened to float32."""
        values = np.frombuffer(self.data, dtype=DTYPES[self.dtype_code]).reshape(self.shape)
        if self.dtype_code == BF16:
            values = (values.astype(np.uint32) << 16).view(np.float32)
        return values


class Model:
    def __init__(self, spec_name, revision, variables, aliases):
        self.spec_name = spec_name
        self.revision = revision
        self.variables = variables  # name -> Variable, in file order
        self.aliases = aliases  # alias -> target name

    def get(self, name):
        while name in self.aliases and name not in self.variables:
            name = self.aliases[name]
        if name not in self.variables:
            raise FormatError(f"the model has no variable {name}")
        return self.variables[name]

    def has(self, name):
        try:
            self.get(name)
            return True
        except FormatError:
            return False


class _Reader:
    def __init__(self, stream):
        self._stream = stream
        self.position = 0

    def bytes(self, n):
        chunks = []
        remaining = n
        while remaining:
            chunk = self._stream.read(remaining)
            if not chunk:
                raise FormatError(
                    f"the model ends early: {remaining} of {n} bytes missing at offset {self.position}")
            chunks.append(chunk)
            remaining -= len(chunk)
        self.position += n
        return b"".join(chunks)

    def skip(self, n):
        while n:
            step = min(n, 1 << 24)
            self.bytes(step)
            n -= step

    def u8(self):
        return self.bytes(1)[0]

    def u16(self):
        return struct.unpack("<H", self.bytes(2))[0]

    def u32(self):
        return struct.unpack("<I", self.bytes(4))[0]

    def string(self):
        length = self.u16()
        raw = self.bytes(length)
        if length == 0 or raw[-1] != 0:
            raise FormatError(f"a name at offset {self.position - length} is not NUL-terminated")
        return raw[:-1].decode("utf-8")


def read(stream, load_data=True):
    """Parses a model from a binary stream. With load_data false only the layout is
    read (data is skipped), which is enough to inspect a model or check it is complete."""
    r = _Reader(stream)
    version = r.u32()
    if version != 6:
        raise FormatError(f"unsupported CTranslate2 binary version {version} (expected 6)")
    spec_name = r.string()
    revision = r.u32()
    count = r.u32()
    variables = {}
    for _ in range(count):
        name = r.string()
        rank = r.u8()
        shape = [r.u32() for _ in range(rank)]
        dtype_code = r.u8()
        if dtype_code not in DTYPES:
            raise FormatError(f"{name}: unknown dtype code {dtype_code}")
        nbytes = r.u32()
        expected = int(np.prod(shape, dtype=np.int64)) * DTYPES[dtype_code].itemsize
        if nbytes != expected:
            raise FormatError(f"{name}: {nbytes} bytes for shape {shape}, expected {expected}")
        variable = Variable(name, shape, dtype_code, r.position, nbytes)
        if load_data:
            variable.data = r.bytes(nbytes)
        else:
            r.skip(nbytes)
        variables[name] = variable
    aliases = {}
    for _ in range(r.u32()):
        alias = r.string()
        aliases[alias] = r.string()
    if stream.read(1):
        raise FormatError("unexpected bytes after the alias table")
    return Model(spec_name, revision, variables, aliases)


def open_parts(paths, load_data=True):
    with io.BufferedReader(ConcatenatedParts(paths), buffer_size=1 << 20) as stream:
        return read(stream, load_data)
