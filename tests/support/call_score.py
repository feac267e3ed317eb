#!/usr/bin/env python3
"""Scores a two-track transcript of a generated call against its utterances.

    call_score.py call.json transcript.json   (exit status 1 when an utterance is lost or doubled)

call.json lists the utterances as [speaker, start, end, text]; transcript.json is the output of
`brindlewick transcribe --system-audio ... --format json`. An utterance is
  lost     when the segments of its speaker's label give back fewer than half of its words
           (as meeting_score.py counts them)
  doubled  when the segments of the other label give back half of its words or more: the
           echo of the far side came out a second time, under "Me"
"""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from meeting_score import lost_utterances  # noqa: E402


def faults(utterances, segments):
    lost, doubled = [], []
    for speaker, start, end, text in utterances:
        own = [(s, e, t) for label, s, e, t in segments if label == speaker]
        other = [(s, e, t) for label, s, e, t in segments if label != speaker]
        if lost_utterances(own, [(start, end, text)]):
            lost.append((speaker, start, text))
        if not lost_utterances(other, [(start, end, text)]):
            doubled.append((speaker, start, text))
    return lost, doubled


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        utterances = [tuple(u[:4]) for u in json.load(f)]
    with open(sys.argv[2], encoding="utf-8") as f:
        segments = [(s.get("speaker"), s["start"], s["end"], s["text"])
                    for s in json.load(f)["segments"]]
    lost, doubled = faults(utterances, segments)
    print(f"lost {len(lost)}  doubled {len(doubled)} of {len(utterances)} utterances")
    for kind, items in (("lost", lost), ("doubled", doubled)):
        for speaker, start, text in items:
            print(f"  {kind} {speaker:6} {start:6.1f} s: {text}")
    for label, start, end, text in segments:
        print(f"    {label or '-':6} {start:6.2f}-{end:6.2f} {text}")
    return 1 if lost or doubled else 0


if __name__ == "__main__":
    sys.exit(main())
