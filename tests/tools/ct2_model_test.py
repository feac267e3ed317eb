import io
import os
import tempfile
import unittest

import numpy as np

from support import ct2_model_bytes
import ct2_model


class Ct2ModelTest(unittest.TestCase):
    def setUp(self):
        self.variables = [
            ("a/weight", np.arange(6, dtype=np.float16).reshape(2, 3)),
            ("a/bias", np.array([1.5, -2.0], dtype=np.float32)),
            ("q/weight", np.array([[-128, 127]], dtype=np.int8)),
            ("n/heads", np.array(8, dtype=np.int16)),
        ]
        self.data = ct2_model_bytes(self.variables, aliases=[("b/weight", "a/weight")])

    def check(self, model):
        self.assertEqual(model.spec_name, "WhisperSpec")
        self.assertEqual(list(model.variables), [name for name, _ in self.variables])
        for name, values in self.variables:
            np.testing.assert_array_equal(model.get(name).array(), values)
            self.assertEqual(model.get(name).array().dtype, values.dtype)
        np.testing.assert_array_equal(model.get("b/weight").array(), self.variables[0][1])

    def test_reads_variables_and_resolves_aliases(self):
        self.check(ct2_model.read(io.BytesIO(self.data)))

    def test_parts_split_anywhere_read_as_one_file(self):
        with tempfile.TemporaryDirectory() as folder:
            for cuts in ([5], [1, 30, 31], [len(self.data) - 1]):
                paths = []
                for i, (start, end) in enumerate(zip([0] + cuts, cuts + [len(self.data)])):
                    paths.append(os.path.join(folder, f"part{i}"))
                    with open(paths[-1], "wb") as f:
                        f.write(self.data[start:end])
                self.check(ct2_model.open_parts(paths))

    def test_layout_only_skips_data(self):
        model = ct2_model.read(io.BytesIO(self.data), load_data=False)
        self.assertEqual(model.get("a/weight").shape, (2, 3))
        self.assertIsNone(model.get("a/weight").data)

    def test_bfloat16_is_widened(self):
        raw = np.array([0x3FC0, 0xC000], dtype=np.uint16)  # 1.5 and -2.0
        data = bytearray(ct2_model_bytes([("x", raw.view(np.int16))]))
        data[data.index(b"x\0") + 2 + 1 + 4] = 5  # dtype code after rank and one dim
        np.testing.assert_array_equal(ct2_model.read(io.BytesIO(bytes(data))).get("x").array(), [1.5, -2.0])

    def test_damaged_input_is_rejected(self):
        cases = {
            "cut off": self.data[:-10],
            "trailing bytes": self.data + b"\0",
            "other version": ct2_model_bytes(self.variables, version=5),
            "wrong byte count": self.data.replace(b"\x04\x0c\x00\x00\x00", b"\x04\x0b\x00\x00\x00", 1),
        }
        for label, data in cases.items():
            with self.subTest(label), self.assertRaises(ct2_model.FormatError):
                ct2_model.read(io.BytesIO(data))
        with self.assertRaises(ct2_model.FormatError):
            ct2_model.read(io.BytesIO(self.data)).get("missing")


if __name__ == "__main__":
    unittest.main()
