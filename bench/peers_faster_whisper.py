#!/usr/bin/env python3
"""Transcribes one file with faster-whisper (int8 on the processor, its VAD filter on) and
writes its segments as a JSON list of [start, end, text]. Run by bench/peers.py in the
virtual environment that bench/peers.sh makes."""

import argparse
import json

from faster_whisper import WhisperModel


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("model")
    parser.add_argument("audio")
    parser.add_argument("output")
    parser.add_argument("--threads", type=int, default=4)
    parser.add_argument("--beam-size", type=int, default=1)
    parser.add_argument("--no-previous-text", action="store_true",
                        help="recognize each window without the text before it as a prompt")
    args = parser.parse_args()
    model = WhisperModel(args.model, device="cpu", compute_type="int8", cpu_threads=args.threads)
    segments, _ = model.transcribe(args.audio, language="en", beam_size=args.beam_size, vad_filter=True,
                                 condition_on_previous_text=not args.no_previous_text)
    with open(args.output, "w", encoding="utf-8") as f:
        json.dump([[s.start, s.end, s.text] for s in segments], f)


if __name__ == "__main__":
    main()
