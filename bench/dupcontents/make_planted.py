#!/usr/bin/env python3
"""A planted set of near duplicates, to measure how many the search finds.

  make_planted.py ROOT [--texts N] [--seed S]

N real texts (default 80): the licence texts under /usr/share/common-licenses
and texts of about 3 to 8 KB joined from consecutive fortunes of Debian's
fortune collections (English, German, Spanish, Italian; read as the hard
corpus of bench/lib reads them). Each text gets a
folder t000, t001, ... holding the original (orig.txt, LF line ends, UTF-8)
and one copy for each of 13 kinds of change, named after the kind. Copies are
dated up to 20 hours after the original, so that the default date test
(one whole day) passes them.

ROOT/manifest.tsv lists folder, kind and file of every copy; ROOT/.complete is
written last.
"""
import argparse
import glob
import os
import random
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from make_hard_corpus import read_fortunes  # noqa: E402

LICENCES = "/usr/share/common-licenses"


def licence_texts():
    out = []
    for path in sorted(glob.glob(os.path.join(LICENCES, "*"))):
        if os.path.isfile(path) and not os.path.islink(path):
            text = open(path, "rb").read().decode("utf-8", "replace")
            if 2000 <= len(text) <= 60000:
                out.append(text)
    return out


def fortune_texts(rng, wanted):
    """Texts of 3 to 8 KB, each joined from consecutive fortunes of one language."""
    fortunes = read_fortunes()
    out = []
    while len(out) < wanted:
        k = rng.randrange(len(fortunes))
        lang, target, text = fortunes[k][0], rng.randrange(3000, 8000), ""
        while len(text) < target and k < len(fortunes) and fortunes[k][0] == lang:
            text += fortunes[k][1] + "\n\n"
            k += 1
        if len(text) >= 2000:
            out.append(text)
    return out


def one_word_changed(rng, t):
    words = t.split(" ")
    for _ in range(100):
        k = rng.randrange(len(words))
        if words[k].isalpha() and len(words[k]) > 3:
            words[k] = words[k][::-1]
            break
    return " ".join(words)


def rewrapped(rng, t):
    out, col = [], 0
    for word in t.split():
        if col + len(word) > 60 and col > 0:
            out.append("\n")
            col = 0
        elif col > 0:
            out.append(" ")
            col += 1
        out.append(word)
        col += len(word)
    return "".join(out) + "\n"


def line_dropped(rng, t):
    lines = t.split("\n")
    candidates = [k for k, line in enumerate(lines) if line.strip()]
    del lines[rng.choice(candidates[len(candidates) // 4:])]
    return "\n".join(lines)


def words_swapped(rng, t):
    words = t.split(" ")
    k = rng.randrange(1, len(words) - 1)
    words[k], words[k + 1] = words[k + 1], words[k]
    return " ".join(words)


KINDS = [
    ("exact", lambda rng, t: t.encode()),
    ("one_word", lambda rng, t: one_word_changed(rng, t).encode()),
    ("crlf", lambda rng, t: t.replace("\n", "\r\n").encode()),
    ("rewrapped", lambda rng, t: rewrapped(rng, t).encode()),
    ("header", lambda rng, t: ("Source: archive copy %d\n\n" % rng.randrange(10000) + t).encode()),
    ("bom", lambda rng, t: b"\xef\xbb\xbf" + t.encode()),
    ("footer", lambda rng, t: (t + "\n-- \nsent from the archive\n").encode()),
    ("trailing_blanks", lambda rng, t: "\n".join(line + "  " for line in t.split("\n")).encode()),
    ("line_dropped", lambda rng, t: line_dropped(rng, t).encode()),
    ("double_spaces", lambda rng, t: t.replace(". ", ".  ").encode()),
    ("words_swapped", lambda rng, t: words_swapped(rng, t).encode()),
    ("tabs", lambda rng, t: "\n".join(("\t" + line) if line else line for line in t.split("\n")).encode()),
    ("crlf_bom", lambda rng, t: b"\xef\xbb\xbf" + t.replace("\n", "\r\n").encode()),
]


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("root")
    p.add_argument("--texts", type=int, default=80)
    p.add_argument("--seed", type=int, default=16)
    args = p.parse_args()
    rng = random.Random(args.seed)
    texts = licence_texts()[: args.texts // 4]
    texts += fortune_texts(rng, args.texts - len(texts))
    os.makedirs(args.root, exist_ok=True)
    base_time = int(time.time()) - 400 * 86400
    with open(os.path.join(args.root, "manifest.tsv"), "w") as manifest:
        for n, text in enumerate(texts):
            text = text.replace("\r\n", "\n")
            folder = os.path.join(args.root, "t%03d" % n)
            os.makedirs(folder, exist_ok=True)
            t0 = base_time + n * 10 * 86400
            orig = os.path.join(folder, "orig.txt")
            open(orig, "wb").write(text.encode())
            os.utime(orig, (t0, t0))
            for kind, change in KINDS:
                path = os.path.join(folder, kind + ".txt")
                open(path, "wb").write(change(rng, text))
                t = t0 + rng.randrange(0, 20 * 3600)
                os.utime(path, (t, t))
                manifest.write("t%03d\t%s\t%s\n" % (n, kind, path))
    open(os.path.join(args.root, ".complete"), "w").close()


if __name__ == "__main__":
    main()
