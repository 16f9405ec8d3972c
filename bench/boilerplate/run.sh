#!/usr/bin/env bash
# Times "sorvel-cli boilerplate" (release build) on a generated corpus of about
# 200 MB against "cat" of the same files, both warm (files in the page cache),
# and prints the ratio and the peak memory of the search.
#
# The machine is shared (2 cores, several users building at once), so single
# timings are noisy: each command runs three times and the best time counts.
set -euo pipefail
cd "$(dirname "$0")/../.."
data=/work/benchdata/boilerplate
cli=build/release/src/cli/sorvel-cli

if [ ! -f "$data/.complete" ]; then
  rm -rf "$data"
  mkdir -p "$data"
  python3 bench/boilerplate/make_corpus.py "$data/corpus" "${BENCH_BYTES:-209715200}"
  touch "$data/.complete"
fi
[ -x "$cli" ] || bash tools/build.sh release sorvel-cli

corpus="$data/corpus"
echo "corpus: $(find "$corpus" -type f | wc -l) files, $(du -sh "$corpus" | cut -f1)"

best() {  # best wall time of three runs of "$@", in seconds
  local best_t=""
  for _ in 1 2 3; do
    local s e t
    s=$(date +%s.%N)
    "$@" > /dev/null
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$best_t" ] || [ "$(echo "$t < $best_t" | bc -l)" = 1 ]; then best_t=$t; fi
  done
  echo "$best_t"
}

cat_all() { find "$corpus" -type f -print0 | xargs -0 cat; }
run_search() { "$cli" boilerplate --quiet --json "$corpus"; }

cat_all > /dev/null  # warm the page cache
t_cat=$(best cat_all)
t_bp=$(best run_search)
printf 'cat (find | xargs cat): %.3f s\n' "$t_cat"
printf 'sorvel-cli boilerplate: %.3f s\n' "$t_bp"
printf 'ratio: %.1f x cat (goal: at most 5)\n' "$(echo "$t_bp / $t_cat" | bc -l)"
/usr/bin/time -v "$cli" boilerplate --quiet --json "$corpus" 2>&1 >/dev/null | \
  awk -F: '/Maximum resident set size/ { printf "peak memory: %.1f MB\n", $2 / 1024 }'
"$cli" boilerplate --quiet --json "$corpus" | python3 -c \
  'import json,sys; c=json.load(sys.stdin)["chunks"]; print(f"{len(c)} repeated chunks; top: {c[0][\"total\"]} x {c[0][\"text\"][:60]!r}")'
