#!/usr/bin/env python3
"""Writes COUNT empty files, 1,000 to a folder, for the sampling benchmark."""
import os
import sys

root = sys.argv[1]
count = int(sys.argv[2])
for i in range(count):
    folder = os.path.join(root, "d%04d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "t%07d.txt" % i)
    if not os.path.exists(path):
        open(path, "w").close()
