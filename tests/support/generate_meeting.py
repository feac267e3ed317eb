#!/usr/bin/env python3
"""Builds a synthetic meeting from a seed: espeak-ng utterances in several voices and speeds,
from a single word to about 25 seconds of continuous speech, the JFK recording once, pauses
of 0.3 to 25 seconds, all over pink noise at -60 dB. Writes a 16 kHz mono WAV file and a JSON
file listing every utterance as [start, end, text] in seconds.

The same seed, length and espeak-ng version always give the same meeting. The suite uses a
short one to check that no utterance is lost; bench/peers.py uses several long ones.

    generate_meeting.py --seed 3 --seconds 480 --jfk jfk.wav --output meeting.wav
      (writes meeting.wav and meeting.json)
"""

import argparse
import json
import os
import subprocess
import tempfile
import wave

import numpy as np

RATE = 16000
JFK_TEXT = ("And so my fellow Americans, ask not what your country can do for you, "
            "ask what you can do for your country.")

SENTENCES = [
    "The partner team in Toronto confirmed the delivery dates for the new hardware.",
    "We also need volunteers for the hiring panel next Thursday.",
    "The new coffee machine in the kitchen makes a terrible noise every morning.",
    "Our biggest customer asked for a discount on the yearly licence.",
    "The design review moved to the large room on the third floor.",
    "Please remember to submit your expense reports before the end of the month.",
    "The test servers were unavailable for most of Tuesday afternoon.",
    "Somebody left a blue umbrella in the reception area.",
    "The quarterly survey had more answers than last year.",
    "Two interns will join the research group in September.",
    "The contract with the cleaning company ends in December.",
    "Our website was slow during the product launch on Monday.",
    "The legal department has not yet approved the new privacy notice.",
    "I spoke with the bank about extending the credit line.",
    "The warehouse in Rotterdam is running out of space.",
    "A new version of the accounting software will be installed this weekend.",
    "The board wants a short summary of the risks before the next meeting.",
    "Several laptops in the sales team need new batteries.",
    "The translation of the user manual into German is almost finished.",
    "We received a complaint about the noise from the parking garage.",
    "The team lunch will be at the Italian place around the corner.",
    "Nobody has claimed the parcel that arrived for the previous tenant.",
    "The security audit found three minor problems and no serious ones.",
    "Our application for the innovation grant was accepted.",
    "The train strike may delay the visitors from Vienna.",
    "We should decide which features go into the spring release.",
    "The heating in the east wing will be repaired on Wednesday.",
    "The photographer needs a quiet room for the portraits.",
    "Sales of the small model were disappointing in the last quarter.",
    "The customer workshop in Prague was a great success.",
    "Please keep the fire doors closed at all times.",
    "The new colleague from Bratislava starts on the first of March.",
    "The printer in the hallway keeps jamming on thick paper.",
    "The data centre will switch to the new power supply overnight.",
    "Everyone should change their passwords before Friday.",
    "The conference call with the supplier was cut off twice.",
    "We are still waiting for the final drawings from the architect.",
    "The marketing budget for next year will be ten percent smaller.",
    "The bicycle racks behind the building are full every day.",
    "Our support line will close early on Christmas Eve.",
    "The old servers in the basement can finally be switched off.",
    "The city council approved the plans for the new bus stop.",
    "The customer in Munich wants to visit our factory in May.",
    "There is fresh fruit in the meeting room for everybody.",
    "The report on energy use shows a clear improvement.",
    "We lost the tender for the hospital project by a small margin.",
    "The elevator inspection is scheduled for early next week.",
    "The shipping costs to Scandinavia have almost doubled.",
]

WORDS = ["Yes.", "Okay.", "Thanks.", "Right.", "Agreed.", "Exactly.", "Sure.", "Great."]

VOICES = ["en-us", "en-gb", "en-gb-scotland+f3", "en-gb-x-rp+m3", "en-029+f2", "en-us-nyc+m5",
          "en-gb-x-gbclan+f4", "en-us+m7", "en+klatt2", "en-gb-x-gbcwmd+f1"]
SPEEDS = [130, 145, 160, 175, 190]


def run(command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


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


def spoken(text, voice, speed, work, index):
    raw = os.path.join(work, f"u{index}.wav")
    run(["espeak-ng", "-v", voice, "-s", str(speed), "-w", raw + ".tmp.wav", text])
    # -R: sox dithers with a fresh random sequence otherwise, and the meeting would differ
    # from run to run.
    run(["sox", "-R", raw + ".tmp.wav", "-r", str(RATE), "-c", "1", "-b", "16", raw])
    return trimmed(read_wav(raw))


def utterance_text(rng, sentences):
    """One word, one sentence, or (rarely) a run of sentences about 25 seconds long."""
    kind = rng.random()
    if kind < 0.15:
        return WORDS[int(rng.integers(len(WORDS)))], False
    if kind < 0.25:
        # About 25 seconds at the speeds used for these.
        run_of = []
        while sentences and sum(len(t.split()) for t in run_of) < 62:
            run_of.append(sentences.pop())
        return " ".join(run_of), True
    take = int(rng.integers(1, 3))
    return " ".join(sentences.pop() for _ in range(take) if sentences), False


def pause(rng):
    """Mostly short pauses, now and then a long one: 0.3 to 25 seconds."""
    kind = rng.random()
    if kind < 0.3:
        return float(rng.uniform(0.3, 1.5))
    if kind < 0.85:
        return float(rng.uniform(1.5, 8))
    return float(rng.uniform(8, 25))


def build(seed, seconds, jfk_path, work):
    """(samples, [(start, end, text)]) of a meeting about `seconds` long."""
    rng = np.random.default_rng(seed)
    sentences = [SENTENCES[int(i)] for i in rng.permutation(len(SENTENCES))] * 4
    jfk = trimmed(read_wav(jfk_path), 0.02)
    jfk_at = None
    parts, utterances, position, index = [], [], 0, 0
    while position < (seconds - 2) * RATE:
        gap = np.zeros(int(pause(rng) * RATE))
        if jfk_at is None and position > seconds * RATE * 0.4:
            clip, text = jfk * 0.7, JFK_TEXT
            jfk_at = len(utterances)
        else:
            text, long_run = utterance_text(rng, sentences)
            voice = VOICES[int(rng.integers(len(VOICES)))]
            speed = SPEEDS[int(rng.integers(len(SPEEDS)))]
            if long_run:
                speed = 150
            clip = spoken(text, voice, speed, work, index)
            clip = clip / np.max(np.abs(clip)) * float(rng.uniform(0.25, 0.6))
        index += 1
        if position + len(gap) + len(clip) > seconds * RATE:
            break
        parts += [gap, clip]
        position += len(gap)
        utterances.append((position / RATE, (position + len(clip)) / RATE, text))
        position += len(clip)
    total = int(seconds * RATE)
    parts.append(np.zeros(max(0, total - position)))
    samples = np.concatenate(parts)[:total]
    return samples + pink_noise(len(samples), rng), utterances


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--seconds", type=float, required=True)
    parser.add_argument("--jfk", required=True, help="the 16 kHz JFK recording")
    parser.add_argument("--output", required=True, help="the WAV file; its .json goes beside it")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        samples, utterances = build(args.seed, args.seconds, args.jfk, work)
    base, _ = os.path.splitext(args.output)
    write_wav(args.output + ".tmp", samples)
    with open(base + ".json.tmp", "w", encoding="utf-8") as f:
        json.dump(utterances, f, indent=1)
    os.replace(base + ".json.tmp", base + ".json")
    os.replace(args.output + ".tmp", args.output)


if __name__ == "__main__":
    main()
