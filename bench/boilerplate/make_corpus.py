#!/usr/bin/env python3
"""Writes a corpus of about 200 MB for the boilerplate benchmark: web-like
texts with shared headers, footers and navigation lines around bodies of
mostly unique sentences. Deterministic, so every run times the same bytes."""
import os
import random
import sys

root = sys.argv[1]
target = int(sys.argv[2]) if len(sys.argv) > 2 else 200 * 1024 * 1024
rng = random.Random(6030)

words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))))
         for _ in range(20000)]
headers = [f"The Daily Example, edition {n}. Independent news since 18{n:02d}." for n in range(12)]
nav = ["Home | World | Politics | Business | Sport | Culture | Weather",
       "<ul><li><a href=\"/\">Home</a></li><li><a href=\"/about\">About us</a></li><li><a href=\"/contact\">Contact</a></li></ul>",
       "Subscribe | Log in | Newsletter | Archive"]
footers = [
    "Copyright the Example Publishing Company. All rights reserved. "
    "No part of this text may be reproduced without written permission of the publisher. "
    "Reprinted with the kind permission of the owners.",
    "This text is distributed under a free licence. You may copy, distribute and modify it "
    "as long as you keep this notice. It is distributed in the hope that it will be useful, "
    "but without any warranty.",
]


def sentence():
    n = rng.randint(6, 24)
    s = " ".join(rng.choice(words) for _ in range(n))
    return s[0].upper() + s[1:] + rng.choice([".", ".", ".", "?", "!"])


def text():
    parts = [rng.choice(headers), "", rng.choice(nav), ""]
    for _ in range(rng.randint(4, 14)):
        para = " ".join(sentence() for _ in range(rng.randint(2, 7)))
        parts.append(para)
        parts.append("")
    parts.append(rng.choice(nav))
    parts.append(rng.choice(footers))
    return "\r\n".join(parts) + "\r\n"


written = 0
n = 0
while written < target:
    folder = os.path.join(root, f"part{n // 1000:03d}")
    os.makedirs(folder, exist_ok=True)
    ext = ".html" if n % 5 == 0 else ".txt"
    data = text().encode("cp1252")
    with open(os.path.join(folder, f"text{n:06d}{ext}"), "wb") as f:
        f.write(data)
    written += len(data)
    n += 1
print(f"{n} files, {written} bytes")
