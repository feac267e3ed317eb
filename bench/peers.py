#!/usr/bin/env python3
"""Speed, memory, accuracy and timing of `brindlewick transcribe` side by side with
faster-whisper on the same base weights (its CTranslate2 form, int8), on synthetic meetings.

The classic meeting is built deterministically: espeak-ng utterances in several voices and
speeds, the JFK recording in the middle, pauses of 2 to 20 s, all over pink noise at -60 dB.
The generated ones come from tests/support/generate_meeting.py, one per seed (from a single
word to 25 s of speech, pauses of 0.3 to 25 s). Their reference text and the place of every
utterance are known, so besides the word error rate the script counts (tests/support/
meeting_score.py) lost utterances, segments placed outside their speech and ends running into
silence, and for brindlewick the segments it marked doubtful. Programs run in turn (A, B, C,
A, B, C, ...) and the table gives the median of the runs, with the load average before each
run; peak memory is each program's own (GNU time).

Run it through bench/peers.sh, which makes the virtual environment and the model folder.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
import wave

import numpy as np

from model_bench import run

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
import generate_meeting  # noqa: E402
from meeting_score import lost_utterances, score  # noqa: E402

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
        run(["sox", "-R", raw + ".tmp.wav", "-r", str(RATE), "-c", "1", "-b", "16", raw])
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


def measured(command):
    """Runs a command; returns wall seconds, processor seconds and peak resident MiB.

    The peak comes from GNU time, which runs the command as its own child: a child forked
    straight from this Python process would report at least this process's size, because
    Linux carries the peak across exec."""
    with open(os.devnull, "w") as null, tempfile.NamedTemporaryFile("r") as peak:
        started = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name] + command,
                                   stdout=null, stderr=subprocess.PIPE, text=True)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        process.returncode = os.waitstatus_to_exitcode(status)
        error = process.stderr.read()
        process.stderr.close()
        kilobytes = int(peak.read().strip().splitlines()[-1])
    if process.returncode != 0:
        raise RuntimeError(f"{command[0]} failed ({process.returncode}): {error.strip()}")
    return wall, usage.ru_utime + usage.ru_stime, kilobytes / 1024


class Brindlewick:
    def __init__(self, name, binary, model, threads, extra=()):
        self.name, self.binary, self.model, self.threads, self.extra = name, binary, model, threads, list(extra)

    def transcribe(self, wav, output):
        command = [self.binary, "transcribe", wav, "--language", "en", "--format", "json", "--output", output,
                   "--model", self.model, "--threads", str(self.threads)] + self.extra
        figures = measured(command)
        with open(output, encoding="utf-8") as f:
            loaded = json.load(f)["segments"]
        segments = [(s["start"], s["end"], s["text"]) for s in loaded]
        return figures, segments, sum(1 for s in loaded if s.get("doubts"))


class FasterWhisper:
    def __init__(self, name, python, model, threads, beam, previous_text=True):
        self.name, self.python, self.model, self.threads, self.beam = name, python, model, threads, beam
        self.previous_text = previous_text

    def transcribe(self, wav, output):
        command = [self.python, os.path.join(ROOT, "bench", "peers_faster_whisper.py"), self.model, wav, output,
                   "--threads", str(self.threads), "--beam-size", str(self.beam)]
        if not self.previous_text:
            command.append("--no-previous-text")
        figures = measured(command)
        with open(output, encoding="utf-8") as f:
            segments = [tuple(s) for s in json.load(f)]
        return figures, segments, None


def meetings(args):
    """(name, wav, utterances) of every meeting of the run: the classic one (10 or 60 minutes)
    and the generated ones, made once into the audio folder."""
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
    found = []
    if args.minutes == 60:
        wav = os.path.join(args.audio, "meeting-60min.wav")
        if not os.path.exists(wav):
            write_wav(wav + ".tmp", np.tile(read_wav(wav10), 6))
            os.replace(wav + ".tmp", wav)
        found.append(("meeting 60 min", wav,
                      [(s + 600 * k, e + 600 * k, t) for k in range(6) for s, e, t in utterances]))
    elif args.minutes == 10:
        found.append(("meeting 10 min", wav10, utterances))
    jfk = os.path.join(ROOT, "..", "shared", "audio", "jfk.wav")
    for seed in args.seeds:
        wav = os.path.join(args.audio, f"generated-{seed}-{args.generated_seconds}s.wav")
        truth = wav[:-4] + ".json"
        if not (os.path.exists(wav) and os.path.exists(truth)):
            with tempfile.TemporaryDirectory() as work:
                samples, generated = generate_meeting.build(seed, args.generated_seconds, jfk, work)
            write_wav(wav + ".tmp", samples)
            with open(truth, "w", encoding="utf-8") as f:
                json.dump(generated, f, indent=1)
            os.replace(wav + ".tmp", wav)
        with open(truth, encoding="utf-8") as f:
            found.append((f"generated {seed}", wav, [tuple(u[:3]) for u in json.load(f)]))
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--brindlewick", default=os.path.join(ROOT, "build", "bin", "brindlewick"))
    parser.add_argument("--model", required=True, help="the ggml model for brindlewick")
    parser.add_argument("--ct2-model", required=True, help="the CTranslate2 folder of the same weights")
    parser.add_argument("--python", required=True, help="the interpreter that has faster-whisper")
    parser.add_argument("--audio", required=True, help="folder for the generated recordings")
    parser.add_argument("--threads", type=int, default=4)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--minutes", type=int, choices=(0, 10, 60), default=10,
                        help="the classic meeting's length (0: leave it out)")
    parser.add_argument("--seeds", type=int, nargs="*", default=[1, 2, 3, 4, 5],
                        help="seeds of the generated meetings (none: only the classic one)")
    parser.add_argument("--generated-seconds", type=int, default=480)
    parser.add_argument("--only", action="append", help="run only programs whose name contains this")
    parser.add_argument("--brindlewick-variant", action="append", default=[], metavar="NAME=BINARY[:MODEL][@THREADS]",
                        help="another brindlewick build, model or thread count to compare (A/B)")
    parser.add_argument("--json", help="also write every run's figures to this file")
    args = parser.parse_args()

    programs = [Brindlewick("brindlewick", args.brindlewick, args.model, args.threads)]
    for variant in args.brindlewick_variant:
        name, _, rest = variant.partition("=")
        rest, _, threads = rest.partition("@")
        binary, _, model = rest.partition(":")
        programs.append(Brindlewick(name, binary or args.brindlewick, model or args.model,
                                    int(threads) if threads else args.threads))
    programs += [FasterWhisper("faster-whisper int8 greedy", args.python, args.ct2_model, args.threads, 1),
                 FasterWhisper("faster-whisper int8 beam 5", args.python, args.ct2_model, args.threads, 5),
                 # Each window without the text before it, as brindlewick recognizes them.
                 FasterWhisper("faster-whisper int8 greedy, no previous text", args.python, args.ct2_model,
                               args.threads, 1, previous_text=False)]
    if args.only:
        programs = [p for p in programs if any(o in p.name for o in args.only)]

    runs = meetings(args)
    print(f"{len(runs)} meetings, {args.threads} threads, {args.runs} runs each, {os.cpu_count()} processors")
    for name, _, utterances in runs:
        speech = sum(e - s for s, e, _ in utterances)
        print(f"  {name}: {speech / 60:.1f} min of speech in {len(utterances)} utterances")
    results = {(meeting, p.name): [] for meeting, _, _ in runs for p in programs}
    with tempfile.TemporaryDirectory() as work:
        for run_index in range(args.runs):
            for meeting, wav, utterances in runs:
                for program in programs:
                    load = os.getloadavg()[0]
                    (wall, cpu, peak), segments, doubted = program.transcribe(wav, os.path.join(work, "out.json"))
                    wer, misplaced, overrun = score(segments, utterances)
                    lost = lost_utterances(segments, utterances)
                    figures = {"load": load, "wall": wall, "cpu": cpu, "peak": peak, "wer": wer,
                               "lost": len(lost), "misplaced": misplaced, "overrun": overrun,
                               "segments": len(segments), "doubted": doubted}
                    results[(meeting, program.name)].append(figures)
                    print(f"run {run_index + 1} {meeting:16s} {program.name:28s} load {load:4.1f}  "
                          f"wall {wall:6.1f} s  cpu {cpu:6.1f} s  peak {peak:5.0f} MiB  WER {wer:6.1%}  "
                          f"lost {len(lost)}  misplaced {misplaced}/{len(segments)}  overrun {overrun}"
                          + (f"  doubted {doubted}" if doubted is not None else ""), flush=True)
                    for start, end, text in lost:
                        print(f"      lost {start:7.1f}-{end:7.1f} s: {text[:70]}")

    print()
    print(f"{'median of ' + str(args.runs):45s} {'wall_s':>7s} {'cpu_s':>7s} {'peak_MiB':>8s} {'WER':>6s} "
          f"{'lost':>4s} {'misplaced':>9s} {'overrun':>7s} {'segments':>8s} {'doubted':>7s} {'loads':>14s}")
    for (meeting, name), measured_runs in results.items():
        median = {key: statistics.median(r[key] for r in measured_runs)
                  for key in measured_runs[0] if measured_runs[0][key] is not None}
        loads = "/".join(f"{r['load']:.1f}" for r in measured_runs)
        doubted = f"{median['doubted']:7.0f}" if "doubted" in median else f"{'-':>7s}"
        print(f"{meeting + ', ' + name:45s} {median['wall']:7.1f} {median['cpu']:7.1f} {median['peak']:8.0f} "
              f"{median['wer']:6.1%} {median['lost']:4.0f} {median['misplaced']:9.0f} {median['overrun']:7.0f} "
              f"{median['segments']:8.0f} {doubted} {loads:>14s}")
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump({"threads": args.threads, "minutes": args.minutes, "seeds": args.seeds,
                       "runs": [{"meeting": m, "program": p, "runs": r} for (m, p), r in results.items()]},
                      f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
