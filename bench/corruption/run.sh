#!/usr/bin/env bash
# Times `sorvel-cli corruption --digraph` against `cat` over the same files,
# warm, on a generated corpus of about 20,000 files and 200 MB: clean texts,
# texts damaged by a NUL byte, and binary files. The corpus is made once.
#   bench/corruption/run.sh [DATA_FOLDER]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$here/../lib/timing.sh"
data="${1:-${BENCH_DATA:-/work/benchdata}/corruption}"
cli="$root/build/release/src/cli/sorvel-cli"
[ -x "$cli" ] || bash "$root/tools/build.sh" release sorvel-cli > /dev/null

if [ ! -f "$data/.complete" ]; then
  echo "generating the corpus in $data ..." >&2
  rm -rf "$data"; mkdir -p "$data/good" "$data/corpus"
  awk -v dir="$data" 'BEGIN {
    srand(20261206);
    n = split("the of and to in a is that for it as was with be by on not he this are or his from at which but have an they you were her she there one all we their would been has when who will more no if out so said what up its about into than them can only other new some could time these two may then do first any my now such like our over man me even most made after also did many before must through back years where much your way well down should because each just those people how too little state good very make world still own see men work long get here between both life being under never day same another know while last might us great old year off come since against go came right used take three", w, " ");
    nfiles = 20000;
    for (f = 0; f < nfiles; f++) {
      sub_dir = sprintf("%s/corpus/%03d", dir, f % 200);
      if (f < 200) system("mkdir -p " sub_dir);
      name = sprintf("%s/text%05d.txt", sub_dir, f);
      kind = f % 20;                  # 0: binary, 1: NUL-damaged, others clean
      target = 6000 + int(rand() * 8000);
      size = 0; line = "";
      while (size < target) {
        word = w[1 + int(rand() * rand() * 200)];
        line = line word " ";
        if (length(line) > 70) { printf "%s\r\n", line > name; size += length(line) + 2; line = "" }
        if (kind == 1 && size > target / 2 && !damaged) { printf "%c", 0 > name; damaged = 1 }
      }
      damaged = 0;
      close(name);
      if (kind == 0) system("head -c " target " /dev/urandom > " name);
    }
  }'
  # Known-good references: two larger texts of the same kind.
  # (folder k holds files of kind k mod 20: folders 2-9 and 12-19 are clean)
  { cat "$data"/corpus/00[2-9]/text*.txt || true; } | head -c 400000 > "$data/good/ref1.txt"
  { cat "$data"/corpus/01[2-9]/text*.txt || true; } | head -c 400000 > "$data/good/ref2.txt"
  touch "$data/.complete"
fi

files=$(find "$data/corpus" -type f | wc -l)
bytes=$(du -sb "$data/corpus" | cut -f1)
echo "corpus: $files files, $((bytes / 1000000)) MB"
cat_tree "$data/corpus"  # warm the page cache
t_cat=$(best_time 3 cat_tree "$data/corpus")
run_digraph() { "$cli" corruption --quiet --digraph --subfolders --good "$data/good/ref1.txt" --good "$data/good/ref2.txt" "$data/corpus"; }
run_size() { "$cli" corruption --quiet --subfolders --good "$data/good/ref1.txt" "$data/corpus"; }
t_dig=$(best_time 3 run_digraph)
t_size=$(best_time 3 run_size)
flagged=$(run_digraph | wc -l)
echo "cat:                      ${t_cat} s"
echo "corruption --digraph:     ${t_dig} s  ($(ratio "$t_dig" "$t_cat") x cat), $flagged files flagged"
echo "corruption (size test):   ${t_size} s  ($(ratio "$t_size" "$t_cat") x cat)"

# The hard corpus: 10,000 multilingual texts of about 10 KB each (a large
# inventory of characters and digraphs), tested against one small English
# reference text; timed interleaved with cat, median of RUNS rounds.
hard=$(hard_corpus multilingual ${HARD_TEXTS:+--texts "$HARD_TEXTS"})
ref_en="$data/good/english-reference.txt"
[ -f "$ref_en" ] || head -c 20000 /usr/share/games/fortunes/fortunes > "$ref_en"
find "$hard" -type f -print0 | xargs -0 cat > /dev/null  # warm the page cache
read -r h_cat h_dig h_ratio < <(interleaved_ratio "${RUNS:-3}" \
  "find '$hard' -type f -print0 | xargs -0 cat" \
  "'$cli' corruption --quiet --digraph --subfolders --good '$ref_en' '$hard'")
echo "hard corpus ($(find "$hard" -type f | wc -l) texts, $(du -sm "$hard" | cut -f1) MB, one English reference):"
echo "  cat ${h_cat} s, corruption --digraph ${h_dig} s: median ratio ${h_ratio} x cat (goal: at most 2)"
