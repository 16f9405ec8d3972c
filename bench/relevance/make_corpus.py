#!/usr/bin/env python3
"""Writes the relevance benchmark corpus: about 200 MB of plain-text files in
nested folders, some with markup, and a filter file of 200 terms (plain,
wildcard, phrase, case-kept, negative and grouped). Does nothing when the
corpus is already there."""
import os
import random
import sys

root = sys.argv[1]
texts = os.path.join(root, "texts")
done = os.path.join(root, ".complete")
random.seed(7)
letters = "abcdefghijklmnopqrstuvwxyz"
vocab = ["".join(random.choice(letters) for _ in range(random.randint(2, 10))) for _ in range(20000)]
terms = random.sample(vocab, 200)

os.makedirs(root, exist_ok=True)
seen = set()
with open(os.path.join(root, "filters.txt"), "w") as f:
    for i, t in enumerate(terms):
        weight = 1 + i % 3
        threshold = 5 if i % 17 == 0 else 0
        opts = "n" if i % 11 == 0 else ("c" if i % 13 == 0 else "")
        if i % 7 == 0:
            t = t[: max(2, len(t) - 2)] + "*"
        elif i % 19 == 0:
            t = t + " " + random.choice(vocab)
        if t in seen:  # a shortened wildcard term may repeat another
            t = terms[i]
        seen.add(t)
        f.write(f"{t}\t{weight}\t{threshold}\t{opts}\n")

if os.path.exists(done):
    sys.exit(0)
target = 200 * 1024 * 1024
written = 0
n = 0
while written < target:
    folder = os.path.join(texts, f"d{n // 500:02d}", f"s{(n // 50) % 10}")
    os.makedirs(folder, exist_ok=True)
    words = []
    for _ in range(random.randint(2000, 14000)):
        words.append(random.choice(terms) if random.random() < 0.01 else random.choice(vocab))
    lines = [" ".join(words[i : i + 12]) for i in range(0, len(words), 12)]
    body = "\n".join(lines) + "\n"
    if n % 5 == 0:
        body = "<doc id=\"%d\">\n<p>%s</p>\n</doc>\n" % (n, body)
    data = body.encode("ascii")
    with open(os.path.join(folder, f"t{n:05d}.txt"), "wb") as f:
        f.write(data)
    written += len(data)
    n += 1
open(done, "w").close()
print(f"wrote {n} texts, {written // (1024 * 1024)} MB, under {texts}")
