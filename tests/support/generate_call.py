#!/usr/bin/env python3
"""Builds a two-track call: this computer's sound (the far side, "Others") and the microphone
("Me"), sample-aligned 16 kHz mono WAV files. Without headphones the microphone also hears the
loudspeaker: the other side's track is mixed into the microphone's `--echo-db` below its level
and `--delay-ms` later. The two sides take turns and, once, talk at the same time. Writes
call.json beside the microphone's file listing every utterance as [speaker, start, end, text]
in seconds, speaker "me" or "others".

Without --seed the call is the fixed script below; with one it is drawn from the meeting
sentences: other voices, turns and pauses, a one-word answer now and then, and two sentences
said over the other side's. --seconds makes a seeded call that long (for the speed benchmark;
its sentences repeat).

    generate_call.py --echo-db -6 --delay-ms 30 --microphone mic.wav --system system.wav
    generate_call.py --seed 2 --long --echo-db -10 --delay-ms 3 --microphone ... --system ...
"""

import argparse
import json
import os
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from generate_meeting import (RATE, SENTENCES, WORDS, pink_noise, spoken,  # noqa: E402
                              write_wav)

# (speaker, pause before it in seconds, text); a negative pause starts it that long before the
# previous utterance ends: both talk at once.
SCRIPT = [
    ("others", 0.5, "The partner team in Toronto confirmed the delivery dates for the new hardware."),
    ("me", 0.8, "We also need volunteers for the hiring panel next Thursday."),
    ("others", 0.7, "Our biggest customer asked for a discount on the yearly licence."),
    ("others", 1.0, "The design review moved to the large room on the third floor."),
    ("me", -2.8, "Please remember to submit your expense reports before the end of the month."),
    ("others", 1.0, "Two interns will join the research group in September."),
    ("me", 0.9, "The printer in the hallway keeps jamming on thick paper."),
]

LONG_SCRIPT = SCRIPT + [
    ("others", 0.6, "The security audit found three minor problems and no serious ones."),
    ("me", 0.5, "Agreed."),
    ("others", 1.2, "The train strike may delay the visitors from Vienna."),
    ("me", -1.5, "Our application for the innovation grant was accepted."),
    ("others", 0.8, "The heating in the east wing will be repaired on Wednesday."),
    ("me", 0.7, "We should decide which features go into the spring release."),
]

VOICES = {"others": ("en-us", 160, 0.5), "me": ("en-gb-x-rp+m3", 150, 0.45)}

# Voices a seeded call gives its two sides, each side its own.
SEEDED_VOICES = ["en-us", "en-gb", "en-gb-x-rp+m3", "en-us-nyc+m5", "en-gb-scotland+f3",
                 "en-029+f2", "en-gb-x-gbclan+f4"]


def seeded_script(rng, count):
    """`count` utterances of a call: mostly turns, now and then the same side again, about one
    in seven a single word, and about one in five a sentence started over the other side's."""
    sentences = []
    script = []
    speaker = "others"
    while len(script) < count:
        if not sentences:
            sentences = [SENTENCES[int(i)] for i in rng.permutation(len(SENTENCES))]
        if script and rng.random() < 0.75:
            speaker = "me" if speaker == "others" else "others"
        if script and rng.random() < 0.15:
            text = WORDS[int(rng.integers(len(WORDS)))]
        else:
            text = sentences.pop()
        pause = float(rng.uniform(0.4, 1.3))
        previous = script[-1] if script else None
        if (previous and previous[0] != speaker and len(previous[2].split()) > 3
                and len(text.split()) > 3 and rng.random() < 0.3):
            pause = -float(rng.uniform(1.0, 2.8))
        script.append((speaker, pause, text))
    return script


def seeded_voices(rng):
    others, me = rng.choice(len(SEEDED_VOICES), size=2, replace=False)
    return {"others": (SEEDED_VOICES[others], int(rng.integers(140, 175)), 0.5),
            "me": (SEEDED_VOICES[me], int(rng.integers(140, 175)), 0.45)}


def build(script, voices, echo_db, delay_ms, work, rng, seconds=None):
    clips, utterances, position = [], [], 0
    spoken_before, own_end = {}, {}
    for index, (speaker, pause, text) in enumerate(script):
        if seconds and position >= seconds * RATE:
            break
        voice, speed, level = voices[speaker]
        if (speaker, text) not in spoken_before:
            spoken_before[speaker, text] = spoken(text, voice, speed, work, index)
        clip = spoken_before[speaker, text]
        clip = clip / np.max(np.abs(clip)) * level
        if pause < 0:
            start = max(0, utterances[-1][2] * RATE + pause * RATE)
            # Over the other side, never over the speaker's own last sentence.
            start = max(start, own_end.get(speaker, 0) + 0.3 * RATE)
        else:
            start = position + pause * RATE
        start = int(start)
        own_end[speaker] = start + len(clip)
        clips.append((speaker, start, clip))
        utterances.append((speaker, start / RATE, (start + len(clip)) / RATE, text))
        position = max(position, start + len(clip))
    total = position + RATE
    tracks = {"me": np.zeros(total), "others": np.zeros(total)}
    for speaker, start, clip in clips:
        tracks[speaker][start:start + len(clip)] += clip
    delay = int(round(delay_ms * RATE / 1000))
    echo = np.zeros(total)
    echo[delay:] = tracks["others"][:total - delay] * 10 ** (echo_db / 20)
    noise = pink_noise(total, rng)
    microphone = tracks["me"] + echo + noise
    system = tracks["others"] + pink_noise(total, rng, -80.0)
    return microphone, system, tracks["me"] + tracks["others"] + noise, utterances


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--echo-db", type=float, required=True,
                        help="the echo's level against the other side's, e.g. -6")
    parser.add_argument("--delay-ms", type=float, required=True)
    parser.add_argument("--long", action="store_true", help="a longer call, for the benchmark")
    parser.add_argument("--seed", type=int, help="a call drawn from this seed")
    parser.add_argument("--seconds", type=float, help="a seeded call about this long")
    parser.add_argument("--microphone", required=True)
    parser.add_argument("--system", required=True)
    parser.add_argument("--both", help="also one track of both sides' speech, without echo")
    args = parser.parse_args()
    if args.seed is None:
        rng = np.random.default_rng(7)
        script = LONG_SCRIPT if args.long else SCRIPT
        voices = VOICES
    else:
        rng = np.random.default_rng(args.seed)
        voices = seeded_voices(rng)
        # Enough utterances for the length (they take about 3.3 seconds with their pauses);
        # the call ends with the one that reaches it.
        count = int(args.seconds / 2.5) if args.seconds else len(LONG_SCRIPT if args.long
                                                                 else SCRIPT)
        script = seeded_script(rng, count)
    with tempfile.TemporaryDirectory() as work:
        microphone, system, both, utterances = build(script, voices, args.echo_db,
                                                     args.delay_ms, work, rng, args.seconds)
    write_wav(args.microphone, microphone)
    write_wav(args.system, system)
    if args.both:
        write_wav(args.both, both)
    with open(os.path.join(os.path.dirname(os.path.abspath(args.microphone)), "call.json"), "w",
              encoding="utf-8") as f:
        json.dump(utterances, f, indent=1)


if __name__ == "__main__":
    main()
