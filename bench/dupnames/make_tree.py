#!/usr/bin/env python3
"""Writes 200,000 small files into 5,000 folders (50 top folders of 100
sub-folders, 40 files each) under the folder given. Names are drawn from
120,000 possible ones, so that many names occur more than once, some in
upper case."""
import os
import random
import sys

root = sys.argv[1]
rng = random.Random(5)
for top in range(50):
    for sub in range(100):
        folder = os.path.join(root, f"part{top:02d}", f"texts{sub:03d}")
        os.makedirs(folder, exist_ok=True)
        used = set()
        while len(used) < 40:
            used.add(rng.randrange(120000))
        for n in used:
            name = f"text_{n:06d}.txt"
            if n % 7 == 0:
                name = name.upper()
            with open(os.path.join(folder, name), "w") as f:
                f.write("x" * (n % 13))
