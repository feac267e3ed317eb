import json
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np

from support import SOURCE_DIR, ct2_model_bytes, shared_model
from convert_ct2_whisper_test import synthetic_whisper, vocabulary
import convert_ct2_whisper


class SetupModelsTest(unittest.TestCase):
    """Runs scripts/setup-models against a user's model folder, in a scratch build folder
    and cache, so nothing is downloaded."""

    def setUp(self):
        vad = shared_model("ggml-silero-v6.2.0.bin")
        if vad is None:
            self.skipTest("shared models folder not found")
        self.scratch = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.scratch)
        self.user = os.path.join(self.scratch, "user")
        self.build = os.path.join(self.scratch, "build")
        os.makedirs(self.user)
        shutil.copy(vad, self.user)
        # A small but complete model, stored under several names the program knows.
        variables, _ = synthetic_whisper(np.random.default_rng(5))
        model, vocab = os.path.join(self.scratch, "model.bin"), os.path.join(self.scratch, "vocabulary.txt")
        with open(model, "wb") as f:
            f.write(ct2_model_bytes(variables))
        with open(vocab, "w", encoding="utf-8") as f:
            f.write("\n".join(vocabulary()) + "\n")
        self.complete = os.path.join(self.scratch, "complete.bin")
        convert_ct2_whisper.convert([model], vocab, self.complete)

    def run_setup(self):
        env = dict(os.environ, BRINDLEWICK_MODELS_DIR=self.user, BW_BUILD_DIR=self.build,
                   XDG_CACHE_HOME=os.path.join(self.scratch, "cache"))
        result = subprocess.run([os.path.join(SOURCE_DIR, "scripts", "setup-models")], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        models = os.path.join(self.build, "share", "brindlewick", "Models")
        with open(os.path.join(self.build, "whisper-model-file")) as f:
            return f.read().strip(), sorted(os.listdir(models))

    def test_picks_the_best_complete_model_and_clears_the_previous_choice(self):
        for name in ("ggml-tiny.bin", "ggml-small.en.bin", "ggml-small.bin", "ggml-unknown.bin"):
            shutil.copy(self.complete, os.path.join(self.user, name))
        with open(self.complete, "rb") as f:
            header_only = f.read(60000 * 4)  # cut inside the tensors: a damaged download
        with open(os.path.join(self.user, "ggml-medium.bin"), "wb") as f:
            f.write(header_only)
        self.assertEqual(self.run_setup(), ("ggml-small.bin", ["ggml-silero-v6.2.0.bin", "ggml-small.bin"]))

        # Any multilingual model goes before an English-only one: four languages need it.
        os.remove(os.path.join(self.user, "ggml-small.bin"))
        self.assertEqual(self.run_setup(), ("ggml-tiny.bin", ["ggml-silero-v6.2.0.bin", "ggml-tiny.bin"]))
        os.remove(os.path.join(self.user, "ggml-tiny.bin"))
        self.assertEqual(self.run_setup()[0], "ggml-small.en.bin")

    def test_applies_the_choice_to_the_built_info_file(self):
        shutil.copy(self.complete, os.path.join(self.user, "ggml-base.en.bin"))
        info = os.path.join(self.build, "share", "brindlewick", "Info.json")
        os.makedirs(os.path.dirname(info))
        with open(os.path.join(SOURCE_DIR, "resources", "Info.json")) as f:
            committed = json.load(f)
        with open(info, "w") as f:
            json.dump(committed, f)
        self.run_setup()
        with open(info) as f:
            built = json.load(f)
        self.assertEqual(built, dict(committed, BWWhisperModelFile="ggml-base.en.bin"))


if __name__ == "__main__":
    unittest.main()
