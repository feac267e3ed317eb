#!/usr/bin/env python3
"""Builds a two-track call: this computer's sound (the far side, "Others") and the microphone
("Me"), sample-aligned 16 kHz mono WAV files. Without headphones the microphone also hears the
loudspeaker: the other side's track is mixed into the microphone's `--echo-db` below its level
and `--delay-ms` later. The two sides take turns and, once, talk at the same time. Writes
call.json beside the microphone's file listing every utterance as [speaker, start, end, text]
in seconds, speaker "me" or "others".

    generate_call.py --echo-db -6 --delay-ms 30 --microphone mic.wav --system system.wav
"""

import argparse
import json
import os
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from generate_meeting import RATE, pink_noise, spoken, write_wav  # noqa: E402

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


def build(script, echo_db, delay_ms, work):
    rng = np.random.default_rng(7)
    clips, utterances, position = [], [], 0
    for index, (speaker, pause, text) in enumerate(script):
        voice, speed, level = VOICES[speaker]
        clip = spoken(text, voice, speed, work, index)
        clip = clip / np.max(np.abs(clip)) * level
        if pause < 0:
            start = max(0, utterances[-1][2] * RATE + pause * RATE)
        else:
            start = position + pause * RATE
        start = int(start)
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
    parser.add_argument("--microphone", required=True)
    parser.add_argument("--system", required=True)
    parser.add_argument("--both", help="also one track of both sides' speech, without echo")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        microphone, system, both, utterances = build(LONG_SCRIPT if args.long else SCRIPT,
                                               args.echo_db, args.delay_ms, work)
    write_wav(args.microphone, microphone)
    write_wav(args.system, system)
    if args.both:
        write_wav(args.both, both)
    with open(os.path.join(os.path.dirname(os.path.abspath(args.microphone)), "call.json"), "w",
              encoding="utf-8") as f:
        json.dump(utterances, f, indent=1)


if __name__ == "__main__":
    main()
