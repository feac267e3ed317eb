#!/usr/bin/env python3
"""Accuracy and speed of the bundled Whisper model through the full pipeline
(`brindlewick transcribe`), side by side with whisper.cpp's own whisper-cli on the same
audio and model.

1. The JFK sample (whisper.cpp's samples/jfk.mp3): word errors against the known words.
2. Word error rate on short synthetic speech (espeak-ng) in Slovak, Czech, German, English.
3. Real-time factor on 10 minutes of speech with half silence and on 10 minutes of
   continuous speech (wall time of the whole command, model loading included).

Needs a build of `brindlewick` with the transcribe command and of whisper-cli
(configure a second build folder with -DBW_WHISPER_CLI=ON and build the whisper-cli target).
Prints a table; --json writes the figures too.
"""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unicodedata
import wave

import numpy as np

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SAMPLE_RATE = 16000
JFK = "And so my fellow Americans, ask not what your country can do for you, ask what you can do for your country."

SHORT_SPEECH = {
    "sk": "Dobrý deň. Dnes je pekné počasie a ideme na prechádzku do parku. Moja sestra pracuje v nemocnici "
          "v Bratislave. Zajtra ráno pôjdeme vlakom do Košíc a vrátime sa v nedeľu večer.",
    "cs": "Dobrý den. Dnes je krásné počasí a jdeme na procházku do parku. Můj bratr pracuje v nemocnici "
          "v Praze. Zítra ráno pojedeme vlakem do Brna a vrátíme se v neděli večer.",
    "de": "Guten Tag. Heute ist schönes Wetter und wir gehen im Park spazieren. Meine Schwester arbeitet in "
          "einem Krankenhaus in Berlin. Morgen früh fahren wir mit dem Zug nach München und kommen am Sonntag zurück.",
    "en": "Good morning. The weather is nice today and we are going for a walk in the park. My sister works at "
          "a hospital in London. Tomorrow morning we will take the train to Manchester and come back on Sunday.",
}

LONG_SPEECH = [
    "The meeting started a little late because the projector in the small conference room would not turn on.",
    "After a short introduction, the team reviewed the results of the last quarter and the plans for the next one.",
    "Sales in the northern region grew by almost twelve percent, mostly thanks to two new customers.",
    "The support team answered more questions than ever before, and the average waiting time went down.",
    "Several people asked whether the new office will be ready before the end of the summer.",
    "The building company promised to finish the work in August, but nobody wanted to count on it.",
    "Next, the engineers described the changes to the mobile application and the problems they found in testing.",
    "Most of the problems were small, but one of them made the application crash on older phones.",
    "Everyone agreed that the release should wait until that problem is fixed and tested again.",
    "The marketing department presented three ideas for the autumn campaign and asked for feedback by Friday.",
    "Finally, the group discussed the budget for training and decided to send four people to a conference.",
    "The meeting ended with a reminder to update the shared calendar and to book rooms well in advance.",
]


def run(command, **kwargs):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)


def read_wav(path):
    with wave.open(path) as w:
        assert w.getframerate() == SAMPLE_RATE and w.getnchannels() == 1 and w.getsampwidth() == 2
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2")


def write_wav(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(SAMPLE_RATE)
        w.writeframes(np.asarray(samples, dtype="<i2").tobytes())


def speak(text, voice, path):
    raw = path + ".raw.wav"
    run(["espeak-ng", "-v", voice, "-s", "150", "-w", raw, text])
    run(["sox", raw, "-r", str(SAMPLE_RATE), "-c", "1", "-b", "16", path])
    os.remove(raw)
    return path


def to_wav(source, path):
    run(["ffmpeg", "-loglevel", "error", "-y", "-i", source, "-ar", str(SAMPLE_RATE), "-ac", "1", "-c:a",
         "pcm_s16le", path])
    return path


def words(text):
    text = unicodedata.normalize("NFC", text).lower()
    return re.findall(r"[^\W_]+(?:'[^\W_]+)?", text)


def word_errors(reference, hypothesis):
    ref, hyp = words(reference), words(hypothesis)
    row = list(range(len(hyp) + 1))
    for i, r in enumerate(ref, 1):
        previous, row[0] = row[0], i
        for j, h in enumerate(hyp, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (r != h))
    return row[-1], len(ref)


class Brindlewick:
    name = "brindlewick transcribe"

    def __init__(self, binary, model, threads):
        self.binary, self.model, self.threads = binary, model, threads

    def transcribe(self, wav, language, work):
        output = os.path.join(work, "out.json")
        command = [self.binary, "transcribe", wav, "--language", language, "--format", "json", "--output", output]
        if self.model:
            command += ["--model", self.model]
        if self.threads:
            command += ["--threads", str(self.threads)]
        start = time.perf_counter()
        run(command)
        elapsed = time.perf_counter() - start
        with open(output, encoding="utf-8") as f:
            transcript = json.load(f)
        return " ".join(s["text"].strip() for s in transcript["segments"]), elapsed


class WhisperCli:
    def __init__(self, binary, model, threads, vad_model=None):
        self.binary, self.model, self.threads, self.vad_model = binary, model, threads, vad_model
        self.name = "whisper-cli" + (" --vad" if vad_model else "")

    def transcribe(self, wav, language, work):
        prefix = os.path.join(work, "cli")
        command = [self.binary, "-m", self.model, "-f", wav, "-l", language, "-t", str(self.threads or 4), "-nt",
                   "-np", "-otxt", "-of", prefix]
        if self.vad_model:
            command += ["--vad", "-vm", self.vad_model]
        start = time.perf_counter()
        run(command)
        elapsed = time.perf_counter() - start
        with open(prefix + ".txt", encoding="utf-8") as f:
            return " ".join(line.strip() for line in f), elapsed


def long_audio(work, half_silence, minutes):
    """Minutes of English speech; with half_silence each sentence is followed by as much
    silence as it lasts, otherwise by 0.3 s."""
    clips = [read_wav(speak(text, "en", os.path.join(work, f"long{i}.wav"))) for i, text in enumerate(LONG_SPEECH)]
    parts, total, target = [], 0, minutes * 60 * SAMPLE_RATE
    i = 0
    while total < target:
        clip = clips[i % len(clips)]
        gap = np.zeros(len(clip) if half_silence else int(0.3 * SAMPLE_RATE), dtype=np.int16)
        parts += [clip, gap]
        total += len(clip) + len(gap)
        i += 1
    path = os.path.join(work, "half-silence.wav" if half_silence else "continuous.wav")
    write_wav(path, np.concatenate(parts)[:target])
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--brindlewick", default=os.path.join(ROOT, "build", "bin", "brindlewick"))
    parser.add_argument("--whisper-cli", default=os.path.join(ROOT, "build-bench", "bin", "whisper-cli"))
    parser.add_argument("--models", default=os.path.join(ROOT, "build", "share", "brindlewick", "Models"))
    parser.add_argument("--threads", type=int, default=2, help="decoding threads for both programs")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--skip-speed", action="store_true", help="only the accuracy checks")
    parser.add_argument("--json", help="also write the figures to this file")
    args = parser.parse_args()

    with open(os.path.join(ROOT, "build", "share", "brindlewick", "Info.json"), encoding="utf-8") as f:
        model_name = json.load(f)["BWWhisperModelFile"]
    model = os.path.join(args.models, model_name)
    vad_model = os.path.join(args.models, "ggml-silero-v6.2.0.bin")
    ours = Brindlewick(args.brindlewick, model, args.threads)
    cli = WhisperCli(args.whisper_cli, model, args.threads)
    cli_vad = WhisperCli(args.whisper_cli, model, args.threads, vad_model)
    figures = {"model": model_name, "threads": args.threads, "jfk": {}, "wer": {}, "rtf": {}}
    print(f"model {model_name}, {args.threads} threads, load average {os.getloadavg()[0]:.1f}")

    with tempfile.TemporaryDirectory() as work:
        jfk = to_wav(os.path.join(ROOT, "third_party", "whisper.cpp", "samples", "jfk.mp3"), os.path.join(work, "jfk.wav"))
        for program in (ours, cli):
            text, elapsed = program.transcribe(jfk, "en", work)
            errors, count = word_errors(JFK, text)
            figures["jfk"][program.name] = {"text": text, "wordErrors": errors, "seconds": round(elapsed, 2)}
            verdict = "ok" if errors <= 1 else "TOO MANY ERRORS"
            print(f"JFK  {program.name:24s} {errors} of {count} words wrong ({verdict}), {elapsed:.1f} s: {text}")

        for language, text in SHORT_SPEECH.items():
            wav = speak(text, language, os.path.join(work, f"short-{language}.wav"))
            for program in (ours, cli):
                hypothesis, _ = program.transcribe(wav, language, work)
                errors, count = word_errors(text, hypothesis)
                figures["wer"].setdefault(language, {})[program.name] = round(errors / count, 3)
                print(f"WER  {language} {program.name:24s} {errors / count:6.1%} ({errors}/{count}): {hypothesis}")

        if not args.skip_speed:
            for label, half in (("half silence", True), ("continuous", False)):
                wav = long_audio(work, half, args.minutes)
                duration = len(read_wav(wav)) / SAMPLE_RATE
                programs = (ours, cli, cli_vad) if half else (ours, cli)
                for program in programs:
                    _, elapsed = program.transcribe(wav, "en", work)
                    figures["rtf"].setdefault(label, {})[program.name] = round(elapsed / duration, 3)
                    print(f"RTF  {label:12s} {program.name:24s} {elapsed / duration:.3f} "
                          f"({elapsed:.0f} s for {duration:.0f} s)")
                    sys.stdout.flush()

    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump(figures, f, indent=2, ensure_ascii=False)
    return 0 if all(v["wordErrors"] <= 1 for v in figures["jfk"].values()) else 1


if __name__ == "__main__":
    sys.exit(main())
