#!/usr/bin/env python3
"""Writes a dated corpus for the sub-corpus benchmark: N text files of about
SIZE bytes in 100 folders, each file's modification time somewhere between
2015 and 2020, and a flat folder of many small files for the sampling
benchmark. Files already there are kept, so a second run costs nothing."""
import os
import random
import sys

root = sys.argv[1]
n_files = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
size = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
words = ("the of and to in a is that for it as was with be by on not he this are or his from at which "
         "but have an they you were her she there been one all we their has would when if so no will "
         "corpus text word sentence linguistics sample period month year archive news report").split()
rng = random.Random(8)
corpus = os.path.join(root, "corpus")
start = 1420070400  # 2015-01-01
span = 6 * 365 * 86400
for i in range(n_files):
    folder = os.path.join(corpus, "f%03d" % (i % 100))
    path = os.path.join(folder, "text%05d.txt" % i)
    if os.path.exists(path):
        continue
    os.makedirs(folder, exist_ok=True)
    out, length = [], 0
    while length < size:
        line = " ".join(rng.choice(words) for _ in range(12)) + ".\r\n"
        out.append(line)
        length += len(line)
    with open(path, "w", newline="") as f:
        f.write("".join(out))
    t = start + rng.randrange(span)
    os.utime(path, (t, t))
