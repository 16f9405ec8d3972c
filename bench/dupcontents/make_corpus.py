#!/usr/bin/env python3
"""Writes the duplicate-contents benchmark corpus.

About 20,000 texts (about 200 MB) in 40 folders. Nine texts in ten are
originals; one in ten is a near duplicate of an original in the same folder:
a few words changed, the lines wrapped at another width, or a header line
added. Sizes spread around 10 KB (log-normal), words drawn from a Zipf-like
vocabulary so that the texts look like running prose to a word counter.
"""
import math
import os
import random
import sys

root = sys.argv[1]
n_texts = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
rng = random.Random(20261206)

letters = "etaoinshrdlucmfwypvbgkqjxz"
vocab = set()
while len(vocab) < 30000:
    k = max(1, min(14, int(rng.gauss(6, 2.5))))
    vocab.add("".join(rng.choice(letters[: 10 + rng.randrange(16)]) for _ in range(k)))
vocab = sorted(vocab)
rng.shuffle(vocab)
weights = [1.0 / (r + 1) for r in range(len(vocab))]
cum = []
s = 0.0
for w in weights:
    s += w
    cum.append(s)


def words(n):
    return rng.choices(vocab, cum_weights=cum, k=n)


def wrap(ws, width):
    lines, line, length = [], [], 0
    for w in ws:
        if length + len(w) + 1 > width and line:
            lines.append(" ".join(line))
            line, length = [], 0
        line.append(w)
        length += len(w) + 1
    if line:
        lines.append(" ".join(line))
    return "\n".join(lines) + "\n"


def near_copy(ws):
    kind = rng.randrange(3)
    ws = list(ws)
    if kind == 0:  # a few words edited
        for _ in range(rng.randint(1, 3)):
            i = rng.randrange(len(ws))
            ws[i] = rng.choice(vocab)
        return wrap(ws, 72)
    if kind == 1:  # the same words wrapped at another width
        return wrap(ws, rng.choice([60, 66, 80]))
    return "Source: archive copy %d\n" % rng.randrange(10000) + wrap(ws, 72)  # a header added


n_folders = 40
n_dups = n_texts // 10
n_orig = n_texts - n_dups
originals = []
total = 0
for i in range(n_orig):
    folder = os.path.join(root, "f%02d" % (i % n_folders))
    os.makedirs(folder, exist_ok=True)
    size = min(60000, max(1500, int(rng.lognormvariate(math.log(9000), 0.45))))
    ws = words(max(50, size // 6))
    name = os.path.join(folder, "t%05d.txt" % i)
    text = wrap(ws, 72)
    with open(name, "w") as f:
        f.write(text)
    total += len(text)
    if len(originals) < n_dups or rng.random() < 0.1:
        originals.append((folder, ws))
for k in range(n_dups):
    folder, ws = originals[k]
    text = near_copy(ws)
    with open(os.path.join(folder, "d%05d.txt" % k), "w") as f:
        f.write(text)
    total += len(text)
print("%d texts, %.1f MB" % (n_texts, total / 1e6))
