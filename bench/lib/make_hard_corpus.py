#!/usr/bin/env python3
"""Hard corpora for the benchmarks: what real corpora look like, not what the
tools find easy.

  make_hard_corpus.py multilingual ROOT [--texts N] [--size BYTES] [--dups PCT] [--seed S]
      N texts (default 10,000) of nearly equal size (default 10,240 bytes, each
      within 1 % of it, as a corpus cut into fixed-length parts is), written as
      UTF-8 without a byte-order mark, LF line ends. The text is real prose and
      verse in English, German, Spanish and Italian, taken from the fortune
      collections that Debian ships (packages fortunes, fortunes-de,
      fortunes-es, fortunes-it), so the inventory of characters and words is
      that of real text. 100 texts to a folder; every folder also carries a
      few header and footer sentences of its own "site", as boilerplate does.
      PCT % of the texts (default 10) are near duplicates of an earlier text,
      written into another folder with one of a few small edits (a word
      changed, a line added at the top, a sentence dropped).

  make_hard_corpus.py many ROOT [--files N]
      N small texts (default 1,000,000), 1,000 to a folder, each a few
      hundred bytes of the same multilingual prose.

Deterministic for a given seed, so every run times the same bytes. A file
ROOT/.complete is written last; a caller that finds it may reuse the corpus.
"""
import argparse
import glob
import os
import random
import sys

FORTUNE_DIRS = {
    "en": "/usr/share/games/fortunes",
    "de": "/usr/share/games/fortunes/de",
    "es": "/usr/share/games/fortunes/es",
    "it": "/usr/share/games/fortunes/it",
}


def read_fortunes():
    """Every fortune of every language, as a list of (language, text)."""
    out = []
    for lang, folder in FORTUNE_DIRS.items():
        for path in sorted(glob.glob(os.path.join(folder, "*"))):
            if not os.path.isfile(path) or path.endswith(".dat"):
                continue
            # Debian ships some collections twice, as 8-bit and as UTF-8 (.u8).
            base = path[:-3] if path.endswith(".u8") else path
            if not path.endswith(".u8") and os.path.exists(base + ".u8"):
                continue
            if "asciiart" in path or "ascii-art" in path or path.endswith("/art"):
                continue
            raw = open(path, "rb").read()
            try:
                text = raw.decode("utf-8")
            except UnicodeDecodeError:
                text = raw.decode("latin-1")
            for piece in text.split("\n%\n"):
                piece = piece.strip("\n%")
                if 40 <= len(piece) <= 4000:
                    out.append((lang, piece))
    if len(out) < 1000:
        sys.exit("make_hard_corpus: install the packages fortunes fortunes-de fortunes-es fortunes-it")
    return out


def fill(rng, fortunes, size, header, footer):
    """Text of exactly about `size` UTF-8 bytes: header, fortunes, footer."""
    parts = [header, ""]
    used = len(header.encode()) + 1 + len(footer.encode()) + 2
    while True:
        _, f = rng.choice(fortunes)
        n = len(f.encode()) + 2
        if used + n > size:
            break
        parts.append(f)
        parts.append("")
        used += n
    # Top up with a cut piece so that sizes sit within 1 % of the target.
    _, f = rng.choice(fortunes)
    room = size - used
    if room > 10:
        piece = f.encode()[:room - 1].decode("utf-8", "ignore")
        parts.append(piece)
    parts.append(footer)
    return "\n".join(parts) + "\n"


def edit(rng, text):
    """One small change of the kinds near duplicates show."""
    lines = text.split("\n")
    kind = rng.randrange(3)
    if kind == 0:  # one word changed
        i = rng.randrange(2, max(3, len(lines) - 2))
        words = lines[i].split(" ")
        if words and words[0]:
            j = rng.randrange(len(words))
            words[j] = words[j][::-1] or "x"
            lines[i] = " ".join(words)
    elif kind == 1:  # a line added at the top
        lines.insert(0, "Quelle: Archiv %d" % rng.randrange(100000))
    else:  # a sentence (line) dropped from the middle
        i = rng.randrange(2, max(3, len(lines) - 2))
        del lines[i]
    return "\n".join(lines)


def site_lines(rng, fortunes, n):
    return [rng.choice(fortunes)[1].split("\n")[0] for _ in range(n)]


def multilingual(args):
    rng = random.Random(args.seed)
    fortunes = read_fortunes()
    os.makedirs(args.root, exist_ok=True)
    written = []
    n_dups = args.texts * args.dups // 100
    originals = args.texts - n_dups
    dup_slots = set(rng.sample(range(1, args.texts), n_dups)) if n_dups else set()
    folder_sites = {}
    for i in range(args.texts):
        folder_no = i // 100
        folder = os.path.join(args.root, "f%04d" % folder_no)
        if folder_no not in folder_sites:
            os.makedirs(folder, exist_ok=True)
            folder_sites[folder_no] = (site_lines(rng, fortunes, 3), site_lines(rng, fortunes, 3))
        headers, footers = folder_sites[folder_no]
        size = int(args.size * rng.uniform(0.995, 1.005))
        if i in dup_slots and written:
            # A near duplicate of an earlier text, usually in another folder.
            text = edit(rng, rng.choice(written))
        else:
            text = fill(rng, fortunes, size, rng.choice(headers), rng.choice(footers))
            if len(written) < originals:
                written.append(text)
        with open(os.path.join(folder, "t%06d.txt" % i), "w", encoding="utf-8", newline="") as out:
            out.write(text)
    open(os.path.join(args.root, ".complete"), "w").close()


def many(args):
    rng = random.Random(args.seed)
    fortunes = read_fortunes()
    os.makedirs(args.root, exist_ok=True)
    for i in range(args.files):
        folder = os.path.join(args.root, "d%04d" % (i // 1000))
        if i % 1000 == 0:
            os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "t%07d.txt" % i), "w", encoding="utf-8", newline="") as out:
            out.write(rng.choice(fortunes)[1][:600] + "\n")
    open(os.path.join(args.root, ".complete"), "w").close()


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="kind", required=True)
    m = sub.add_parser("multilingual")
    m.add_argument("root")
    m.add_argument("--texts", type=int, default=10000)
    m.add_argument("--size", type=int, default=10240)
    m.add_argument("--dups", type=int, default=10)
    m.add_argument("--seed", type=int, default=13)
    s = sub.add_parser("many")
    s.add_argument("root")
    s.add_argument("--files", type=int, default=1000000)
    s.add_argument("--seed", type=int, default=13)
    args = p.parse_args()
    (multilingual if args.kind == "multilingual" else many)(args)


if __name__ == "__main__":
    main()
