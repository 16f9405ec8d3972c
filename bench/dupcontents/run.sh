#!/usr/bin/env bash
# Duplicate-contents benchmark: sorvel-cli dupcontents against cat of the same
# files (warm page cache), and jdupes -r, which finds only byte-identical
# copies, on the same corpus.
#   bench/dupcontents/run.sh [corpus folder] [number of texts]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
corpus="${1:-/work/benchdata/dupcontents}"
n="${2:-20000}"
cli="$repo/build/release/src/cli/sorvel-cli"

if [ ! -x "$cli" ]; then
  (cd "$repo" && bash tools/build.sh release sorvel-cli)
fi
if [ ! -f "$corpus/.complete" ]; then
  rm -rf "$corpus"
  mkdir -p "$corpus"
  python3 "$here/make_corpus.py" "$corpus" "$n"
  touch "$corpus/.complete"
fi

now() { date +%s.%N; }
files=$(find "$corpus" -type f -name '*.txt' | wc -l)
mb=$(du -sm "$corpus" | cut -f1)
echo "corpus: $files texts, $mb MB in $corpus"

# Warm the page cache, then time each command (best of three).
find "$corpus" -type f -name '*.txt' -print0 | xargs -0 cat > /dev/null
best() {
  local b=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(now)
    "$@" > /dev/null
    t1=$(now)
    local d
    d=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$b" ] || [ "$(echo "$d < $b" | bc -l)" = 1 ]; then b=$d; fi
  done
  echo "$b"
}
cat_all() { find "$corpus" -type f -name '*.txt' -print0 | xargs -0 cat; }
t_cat=$(best cat_all)
t_sorvel=$(best "$cli" dupcontents --quiet --json "$corpus")
t_jdupes=$(best jdupes -r -q "$corpus")

"$cli" dupcontents --quiet --json "$corpus" > /tmp/dupcontents_bench.json
pairs=$(python3 -c 'import json;d=json.load(open("/tmp/dupcontents_bench.json"));print(d["pairs"], "pairs in", len(d["groups"]), "groups")')
rss=""
if [ -x /usr/bin/time ]; then
  rss=$(/usr/bin/time -f '%M' "$cli" dupcontents --quiet --json "$corpus" 2>&1 >/dev/null | tail -1)
fi

printf 'cat (warm)            %8.3f s\n' "$t_cat"
printf 'sorvel-cli dupcontents %7.3f s   %6.2f x cat   (%s)\n' "$t_sorvel" "$(echo "$t_sorvel / $t_cat" | bc -l)" "$pairs"
printf 'jdupes -r             %8.3f s   %6.2f x cat   (byte-identical copies only)\n' "$t_jdupes" "$(echo "$t_jdupes / $t_cat" | bc -l)"
[ -n "$rss" ] && echo "sorvel-cli peak resident memory: $((rss / 1024)) MB"
echo "goal: sorvel-cli at most 5 x cat. The machine is shared: timings are noisy."
