#!/usr/bin/env bash
# Times "sorvel-cli boilerplate" (release build) on two corpora against "cat"
# of the same files, both warm (files in the page cache):
# - the hard one: 10,000 multilingual texts of about 10 KB (100 MB), timed
#   interleaved with cat, median of three rounds (goal: at most 3x cat);
# - the friendly generated one of about 200 MB, best of three.
# Then the peak memory of the search.
#
# HARD_TEXTS=300 makes a small hard corpus for a quick try.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib/timing.sh
data=/work/benchdata/boilerplate
cli=build/release/src/cli/sorvel-cli

[ -x "$cli" ] || bash tools/build.sh release sorvel-cli

if [ -n "${HARD_TEXTS:-}" ]; then hard=$(hard_corpus multilingual --texts "$HARD_TEXTS"); else hard=$(hard_corpus multilingual); fi
echo "hard corpus: $(find "$hard" -type f | wc -l) files, $(du -sh "$hard" | cut -f1)"
bash -c "find '$hard' -type f -print0 | xargs -0 cat" > /dev/null  # warm the page cache
read -r hard_cat hard_bp hard_ratio < <(interleaved_ratio 3 "find '$hard' -type f -print0 | xargs -0 cat" \
  "'$cli' boilerplate --quiet '$hard'")
printf 'hard corpus, interleaved, median of 3: cat %.2f s, sorvel-cli boilerplate %.2f s, ratio %.2f x cat (goal: at most 3)\n' \
  "$hard_cat" "$hard_bp" "$hard_ratio"
/usr/bin/time -v "$cli" boilerplate --quiet "$hard" 2>&1 >/dev/null | \
  awk -F: '/Maximum resident set size/ { printf "hard corpus peak memory: %.1f MB\n", $2 / 1024 }'
[ -n "${HARD_ONLY:-}" ] && exit 0

if [ ! -f "$data/.complete" ]; then
  rm -rf "$data"
  mkdir -p "$data"
  python3 bench/boilerplate/make_corpus.py "$data/corpus" "${BENCH_BYTES:-209715200}"
  touch "$data/.complete"
fi

corpus="$data/corpus"
echo "corpus: $(find "$corpus" -type f | wc -l) files, $(du -sh "$corpus" | cut -f1)"

# Best of three runs, as "wall cpu" seconds (cpu = user + system). On a busy
# machine the wall time mostly measures waiting for a core; the CPU time is the
# steadier figure, so both ratios are printed.
best() {
  local best_w="" best_c=""
  for _ in 1 2 3; do
    local out w c
    out=$( { /usr/bin/time -f "%e %U %S" bash -c "$1" > /dev/null; } 2>&1 | tail -1)
    w=$(echo "$out" | awk '{print $1}')
    c=$(echo "$out" | awk '{print $2 + $3}')
    if [ -z "$best_w" ] || [ "$(echo "$w < $best_w" | bc -l)" = 1 ]; then best_w=$w; fi
    if [ -z "$best_c" ] || [ "$(echo "$c < $best_c" | bc -l)" = 1 ]; then best_c=$c; fi
  done
  echo "$best_w $best_c"
}

cat_cmd="find '$corpus' -type f -print0 | xargs -0 cat"
bp_cmd="'$cli' boilerplate --quiet --json '$corpus'"

bash -c "$cat_cmd" > /dev/null  # warm the page cache
read -r cat_w cat_c < <(best "$cat_cmd")
read -r bp_w bp_c < <(best "$bp_cmd")
printf 'cat (find | xargs cat): wall %.2f s, cpu %.2f s\n' "$cat_w" "$cat_c"
printf 'sorvel-cli boilerplate: wall %.2f s, cpu %.2f s\n' "$bp_w" "$bp_c"
printf 'ratio: wall %.1f x cat, cpu %.1f x cat (goal: at most 5)\n' \
  "$(echo "$bp_w / $cat_w" | bc -l)" "$(echo "$bp_c / $cat_c" | bc -l)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (timings are noisy on a shared machine)"
# Peak memory of the search itself (plain output), and with the JSON document,
# whose size grows with the results: one entry per chunk and file.
/usr/bin/time -v "$cli" boilerplate --quiet "$corpus" 2>&1 >/dev/null | \
  awk -F: '/Maximum resident set size/ { printf "peak memory: %.1f MB (search, plain output)\n", $2 / 1024 }'
/usr/bin/time -v bash -c "$bp_cmd" 2>&1 >/dev/null | \
  awk -F: '/Maximum resident set size/ { printf "peak memory: %.1f MB (with --json)\n", $2 / 1024 }'
bash -c "$bp_cmd" | python3 -c '
import json, sys
c = json.load(sys.stdin)["chunks"]
print(len(c), "repeated chunks; top:", c[0]["total"], "x", repr(c[0]["text"][:60]))'
