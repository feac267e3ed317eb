#!/usr/bin/env python3
"""Speed, memory, accuracy and timing of `brindlewick transcribe` side by side with
faster-whisper on the same base weights (its CTranslate2 form, int8), on a synthetic meeting.

The meeting is built deterministically: espeak-ng utterances in several voices and speeds,
the JFK recording in the middle, pauses of 2 to 20 s, all over pink noise at -60 dB. Its
reference text and the place of every utterance are known, so besides the word error rate
the script counts two timing faults:
  misplaced  segments placed more than 0.5 s outside the utterances their words belong to
  overrun    segments whose end runs more than 1 s past the end of their last word's utterance
Programs run in turn (A, B, C, A, B, C, ...) and the table gives the median of the runs,
with the load average before each run.

Run it through bench/peers.sh, which makes the virtual environment and the model folder.
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time
import unicodedata
import wave

import numpy as np

from model_bench import run

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
RATE = 16000
JFK_TEXT = ("And so my fellow Americans, ask not what your country can do for you, "
            "ask what you can do for your country.")

LINES = [
    "Good morning everyone, thanks for joining the weekly planning meeting.",
    "Let's start with a quick round of updates from each team.",
    "The projector in the small conference room still does not turn on.",
    "Sales in the northern region grew by almost twelve percent this quarter.",
    "Most of that growth came from two new customers in the logistics business.",
    "The support team answered more questions than ever before.",
    "Average waiting time on the phone went down to under three minutes.",
    "Several people asked whether the new office will be ready before the summer.",
    "The building company promised to finish the work in August.",
    "Nobody in the room wanted to count on that date.",
    "Next, the engineers described the changes to the mobile application.",
    "One of the problems made the application crash on older phones.",
    "Everyone agreed that the release should wait until that problem is fixed.",
    "The marketing department presented three ideas for the autumn campaign.",
    "They asked for written feedback by Friday afternoon at the latest.",
    "The budget for training was discussed at some length.",
    "We decided to send four people to the conference in October.",
    "Please update the shared calendar and book the rooms well in advance.",
    "I would like to thank the finance team for the detailed report.",
    "The numbers for the first half of the year look better than expected.",
    "Travel costs were lower because most meetings happened online.",
    "We still need a volunteer to organise the summer party.",
    "Maria will send the minutes of this meeting to everybody tonight.",
    "Are there any questions before we move on to the last topic?",
    "The last topic is the migration of the customer database.",
    "It will take place over the weekend, starting on Saturday morning.",
    "During that time the online shop will show a maintenance page.",
    "If anything goes wrong, the old system can be restored within an hour.",
    "That is all for today, thank you and see you next week.",
    "Before we finish, the printer on the second floor is out of paper again.",
]

VOICES = ["en-us", "en-gb", "en-gb-scotland+f3", "en-gb-x-rp+m3", "en-029+f2", "en-us-nyc+m5"]
SPEEDS = [140, 155, 170, 185]


def read_wav(path):
    with wave.open(path) as w:
        assert w.getframerate() == RATE and w.getnchannels() == 1 and w.getsampwidth() == 2
        return np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").astype(np.float64) / 32768


def write_wav(path, samples):
    pcm = np.clip(np.round(samples * 32768), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


def trimmed(samples, floor=1e-3):
    """The clip without leading and trailing near-silence."""
    loud = np.flatnonzero(np.abs(samples) > floor)
    return samples[loud[0]:loud[-1] + 1] if loud.size else samples[:0]


def pink_noise(count, rng, decibels=-60.0):
    """Pink noise (1/f power) whose RMS is `decibels` below full scale."""
    spectrum = np.fft.rfft(rng.standard_normal(count))
    frequencies = np.fft.rfftfreq(count)
    frequencies[0] = frequencies[1]
    noise = np.fft.irfft(spectrum / np.sqrt(frequencies), count)
    return noise * (10 ** (decibels / 20) / np.sqrt(np.mean(noise ** 2)))


def utterance_texts(rng):
    """Utterances of one or two lines, in a fixed shuffled order, more than ten minutes need."""
    order = [int(i) for _ in range(3) for i in rng.permutation(len(LINES))]
    texts = []
    while order:
        take = int(rng.integers(1, 3))
        texts.append(" ".join(LINES[i] for i in order[:take]))
        order = order[take:]
    return texts


def build_meeting(work, jfk_mp3):
    """The 10-minute meeting: (samples, [(start, end, text) of every utterance])."""
    rng = np.random.default_rng(14)
    clips = []
    texts = utterance_texts(rng)
    for i, text in enumerate(texts):
        raw = os.path.join(work, f"u{i}.wav")
        voice, speed = VOICES[i % len(VOICES)], SPEEDS[(i * 7) % len(SPEEDS)]
        run(["espeak-ng", "-v", voice, "-s", str(speed), "-w", raw + ".tmp.wav", text])
        run(["sox", raw + ".tmp.wav", "-r", str(RATE), "-c", "1", "-b", "16", raw])
        # Speech peaks near -6 dB, somewhat quieter for every other voice.
        clip = trimmed(read_wav(raw))
        clips.append((clip / np.max(np.abs(clip)) * (0.5 if i % 2 else 0.3), text))
    jfk_wav = os.path.join(work, "jfk.wav")
    run(["ffmpeg", "-loglevel", "error", "-y", "-i", jfk_mp3, "-ar", str(RATE), "-ac", "1", jfk_wav])
    jfk = trimmed(read_wav(jfk_wav), 0.02)

    # Utterances up to 44 % of the ten minutes; the pauses (2 to 20 s) fill the rest exactly.
    target = 600 * RATE
    kept, speech = [], len(jfk)
    for clip, text in clips:
        if speech + len(clip) <= 0.44 * target:
            kept.append((clip, text))
            speech += len(clip)
    clips = kept[:len(kept) // 2] + [(jfk, JFK_TEXT)] + kept[len(kept) // 2:]
    shares = rng.uniform(0, 1, len(clips) + 1)
    pauses = 2 + shares * ((target - speech) / RATE - 2 * len(shares)) / shares.sum()
    assert pauses.max() <= 20, f"{speech / RATE:.0f} s of speech in {len(clips)} utterances is too little"
    parts, utterances, position = [], [], 0
    for (clip, text), pause in zip(clips, pauses):
        gap = np.zeros(int(pause * RATE))
        parts += [gap, clip]
        position += len(gap)
        utterances.append((position / RATE, (position + len(clip)) / RATE, text))
        position += len(clip)
    parts.append(np.zeros(max(0, target - position)))
    samples = np.concatenate(parts)[:target]
    utterances = [u for u in utterances if u[1] * RATE <= target]
    return samples + pink_noise(len(samples), rng), utterances


def words(text):
    text = unicodedata.normalize("NFC", text).lower().replace("-", " ")
    return re.findall(r"[^\W_]+(?:'[^\W_]+)?", text)


def align(reference, hypothesis):
    """Word errors and, for every hypothesis word, the index of the reference word it was
    matched to (equal or substituted), or None."""
    n, m = len(reference), len(hypothesis)
    cost = np.zeros((n + 1, m + 1), dtype=np.int32)
    cost[:, 0] = np.arange(n + 1)
    cost[0, :] = np.arange(m + 1)
    for i in range(1, n + 1):
        r = reference[i - 1]
        row, above = cost[i], cost[i - 1]
        substitution = above[:-1] + np.array([r != h for h in hypothesis], dtype=np.int32)
        deletion = above[1:] + 1
        best = np.minimum(substitution, deletion)
        for j in range(1, m + 1):  # insertions run along the row
            row[j] = min(best[j - 1], row[j - 1] + 1)
    matched = [None] * m
    i, j = n, m
    while i > 0 and j > 0:
        if cost[i, j] == cost[i - 1, j - 1] + (reference[i - 1] != hypothesis[j - 1]):
            matched[j - 1] = i - 1
            i, j = i - 1, j - 1
        elif cost[i, j] == cost[i - 1, j] + 1:
            i -= 1
        else:
            j -= 1
    return int(cost[n, m]), matched


def score(segments, utterances):
    """Word error rate and the two timing counts of a list of (start, end, text)."""
    reference, owner = [], []
    for index, (_, _, text) in enumerate(utterances):
        for word in words(text):
            reference.append(word)
            owner.append(index)
    hypothesis, segment_of = [], []
    for index, (_, _, text) in enumerate(segments):
        for word in words(text):
            hypothesis.append(word)
            segment_of.append(index)
    errors, matched = align(reference, hypothesis)
    owners = {}
    for position, ref in enumerate(matched):
        if ref is not None:
            owners.setdefault(segment_of[position], []).append(owner[ref])
    misplaced = overrun = 0
    for index, (start, end, _) in enumerate(segments):
        if index not in owners:
            continue
        first, last = utterances[min(owners[index])], utterances[max(owners[index])]
        if start < first[0] - 0.5 or start > last[1] + 0.5 or end < first[0] - 0.5:
            misplaced += 1
        if end > last[1] + 1.0:
            overrun += 1
    return errors / len(reference), misplaced, overrun


def measured(command):
    """Runs a command; returns wall seconds, processor seconds and peak resident MiB."""
    with open(os.devnull, "w") as null:
        started = time.perf_counter()
        process = subprocess.Popen(command, stdout=null, stderr=subprocess.PIPE, text=True)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        process.returncode = os.waitstatus_to_exitcode(status)
        error = process.stderr.read()
        process.stderr.close()
    if process.returncode != 0:
        raise RuntimeError(f"{command[0]} failed ({process.returncode}): {error.strip()}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


class Brindlewick:
    def __init__(self, name, binary, model, threads, extra=()):
        self.name, self.binary, self.model, self.threads, self.extra = name, binary, model, threads, list(extra)

    def transcribe(self, wav, output):
        command = [self.binary, "transcribe", wav, "--language", "en", "--format", "json", "--output", output,
                   "--model", self.model, "--threads", str(self.threads)] + self.extra
        figures = measured(command)
        with open(output, encoding="utf-8") as f:
            segments = [(s["start"], s["end"], s["text"]) for s in json.load(f)["segments"]]
        return figures, segments


class FasterWhisper:
    def __init__(self, name, python, model, threads, beam):
        self.name, self.python, self.model, self.threads, self.beam = name, python, model, threads, beam

    def transcribe(self, wav, output):
        command = [self.python, os.path.join(ROOT, "bench", "peers_faster_whisper.py"), self.model, wav, output,
                   "--threads", str(self.threads), "--beam-size", str(self.beam)]
        figures = measured(command)
        with open(output, encoding="utf-8") as f:
            segments = [tuple(s) for s in json.load(f)]
        return figures, segments


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--brindlewick", default=os.path.join(ROOT, "build", "bin", "brindlewick"))
    parser.add_argument("--model", required=True, help="the ggml model for brindlewick")
    parser.add_argument("--ct2-model", required=True, help="the CTranslate2 folder of the same weights")
    parser.add_argument("--python", required=True, help="the interpreter that has faster-whisper")
    parser.add_argument("--audio", required=True, help="folder for the generated recordings")
    parser.add_argument("--threads", type=int, default=4)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--minutes", type=int, choices=(10, 60), default=10)
    parser.add_argument("--only", action="append", help="run only programs whose name contains this")
    parser.add_argument("--brindlewick-variant", action="append", default=[], metavar="NAME=BINARY[:MODEL][@THREADS]",
                        help="another brindlewick build, model or thread count to compare (A/B)")
    parser.add_argument("--json", help="also write every run's figures to this file")
    args = parser.parse_args()

    os.makedirs(args.audio, exist_ok=True)
    wav10 = os.path.join(args.audio, "meeting-10min.wav")
    truth10 = os.path.join(args.audio, "meeting-10min.json")
    if not (os.path.exists(wav10) and os.path.exists(truth10)):
        with tempfile.TemporaryDirectory() as work:
            samples, utterances = build_meeting(work, os.path.join(ROOT, "third_party", "whisper.cpp", "samples",
                                                                   "jfk.mp3"))
        write_wav(wav10 + ".tmp", samples)
        os.replace(wav10 + ".tmp", wav10)
        with open(truth10, "w", encoding="utf-8") as f:
            json.dump(utterances, f, indent=1)
    with open(truth10, encoding="utf-8") as f:
        utterances = [tuple(u) for u in json.load(f)]
    wav = wav10
    if args.minutes == 60:
        wav = os.path.join(args.audio, "meeting-60min.wav")
        if not os.path.exists(wav):
            write_wav(wav + ".tmp", np.tile(read_wav(wav10), 6))
            os.replace(wav + ".tmp", wav)
        utterances = [(s + 600 * k, e + 600 * k, t) for k in range(6) for s, e, t in utterances]
    speech = sum(e - s for s, e, _ in utterances)

    programs = [Brindlewick("brindlewick", args.brindlewick, args.model, args.threads)]
    for variant in args.brindlewick_variant:
        name, _, rest = variant.partition("=")
        rest, _, threads = rest.partition("@")
        binary, _, model = rest.partition(":")
        programs.append(Brindlewick(name, binary or args.brindlewick, model or args.model,
                                    int(threads) if threads else args.threads))
    programs += [FasterWhisper("faster-whisper int8 greedy", args.python, args.ct2_model, args.threads, 1),
                 FasterWhisper("faster-whisper int8 beam 5", args.python, args.ct2_model, args.threads, 5)]
    if args.only:
        programs = [p for p in programs if any(o in p.name for o in args.only)]

    print(f"{args.minutes} min meeting, {speech / (args.minutes * 60):.0%} speech, {len(utterances)} utterances, "
          f"{args.threads} threads, {args.runs} runs each, {os.cpu_count()} processors")
    results = {p.name: [] for p in programs}
    with tempfile.TemporaryDirectory() as work:
        for run_index in range(args.runs):
            for program in programs:
                load = os.getloadavg()[0]
                (wall, cpu, peak), segments = program.transcribe(wav, os.path.join(work, "out.json"))
                wer, misplaced, overrun = score(segments, utterances)
                figures = {"load": load, "wall": wall, "cpu": cpu, "peak": peak, "wer": wer,
                           "misplaced": misplaced, "overrun": overrun, "segments": len(segments)}
                results[program.name].append(figures)
                print(f"run {run_index + 1} {program.name:28s} load {load:4.1f}  wall {wall:6.1f} s  "
                      f"cpu {cpu:6.1f} s  peak {peak:5.0f} MiB  WER {wer:6.1%}  "
                      f"misplaced {misplaced}/{len(segments)}  overrun {overrun}", flush=True)

    print()
    print(f"{'median of ' + str(args.runs):28s} {'wall_s':>7s} {'cpu_s':>7s} {'peak_MiB':>8s} {'WER':>6s} "
          f"{'misplaced':>9s} {'overrun':>7s} {'segments':>8s} {'loads':>14s}")
    for name, runs in results.items():
        median = {key: statistics.median(r[key] for r in runs) for key in runs[0]}
        loads = "/".join(f"{r['load']:.1f}" for r in runs)
        print(f"{name:28s} {median['wall']:7.1f} {median['cpu']:7.1f} {median['peak']:8.0f} {median['wer']:6.1%} "
              f"{median['misplaced']:9.0f} {median['overrun']:7.0f} {median['segments']:8.0f} {loads:>14s}")
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump({"threads": args.threads, "minutes": args.minutes, "runs": results}, f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
