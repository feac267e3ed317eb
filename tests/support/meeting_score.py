#!/usr/bin/env python3
"""Scores a transcript of a generated meeting against the utterances it was made of.

    meeting_score.py meeting.json transcript.json   (exit status 1 when an utterance is lost)

meeting.json lists the utterances as [start, end, text]; transcript.json is the output of
`brindlewick transcribe --format json` (or any object with "segments" of start, end and text).
Prints the word error rate, the two timing faults and every lost utterance:
  lost       an utterance that gets back fewer than half of its words in the segments that
             overlap it (0.5 s either side); a word counts as given back when it differs from
             the spoken one in at most a third of its letters, so a misheard word is the word
             error rate's business and a dropped one this count's
  misplaced  segments placed more than 0.5 s outside the utterances their words belong to
  overrun    segments whose end runs more than 1 s past the end of their last word's utterance
bench/peers.py imports it for its table.
"""

import json
import re
import sys
import unicodedata

import numpy as np


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


def letter_distance(a, b):
    row = list(range(len(b) + 1))
    for i in range(1, len(a) + 1):
        diagonal, row[0] = row[0], i
        for j in range(1, len(b) + 1):
            diagonal, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1]))
    return row[len(b)]


def close(spoken, heard):
    return letter_distance(spoken, heard) <= len(spoken) / 3


def lost_utterances(segments, utterances):
    """The utterances that got back fewer than half of their words."""
    lost = []
    for start, end, text in utterances:
        spoken = words(text)
        heard = [w for s, e, t in segments if e > start - 0.5 and s < end + 0.5 for w in words(t)]
        given_back = sum(1 for w in spoken if any(close(w, h) for h in heard))
        if given_back * 2 < len(spoken):
            lost.append((start, end, text))
    return lost


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        utterances = [tuple(u[:3]) for u in json.load(f)]
    with open(sys.argv[2], encoding="utf-8") as f:
        segments = [(s["start"], s["end"], s["text"]) for s in json.load(f)["segments"]]
    wer, misplaced, overrun = score(segments, utterances)
    lost = lost_utterances(segments, utterances)
    print(f"WER {wer:.1%}  misplaced {misplaced}/{len(segments)}  overrun {overrun}  "
          f"lost {len(lost)} of {len(utterances)} utterances")
    for start, end, text in lost:
        print(f"  lost {start:7.1f}-{end:7.1f} s: {text}")
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
