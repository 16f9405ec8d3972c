#!/usr/bin/env bash
# Sub-corpora by month against "cp -r" of the same tree, and sampling from a
# folder of many files against a bare walk of it ("find"). Warm runs: every
# tree is read once before timing, and each figure is the best of RUNS runs.
#   bench/subcorpora/run.sh            (20,000 files of 10 KB; 1,000,000 files to sample)
#   MANY=200000 RUNS=3 bench/subcorpora/run.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
data=/work/benchdata/subcorpora
files="${FILES:-20000}"
many="${MANY:-1000000}"
runs="${RUNS:-3}"
cli="$repo/build/release/src/cli/sorvel-cli"

[ -x "$cli" ] && [ "${SKIP_BUILD:-0}" = 1 ] || (cd "$repo" && bash tools/build.sh release sorvel-cli >/dev/null)
mkdir -p "$data"
python3 "$here/make_corpus.py" "$data" "$files" 10000
python3 "$here/make_many.py" "$data/many_$many" "$many"

best() {  # best wall time in seconds of running "$@" $runs times
  local b="" t s e
  for _ in $(seq "$runs"); do
    [ -n "${BEFORE:-}" ] && eval "$BEFORE"
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
  done
  printf '%.3f' "$b"
}

# Warm the page cache.
find "$data/corpus" -type f -exec cat {} + >/dev/null
find "$data/many_$many" >/dev/null

copy="$data/copy"
out="$data/out"
BEFORE="rm -rf '$copy'" t_cp=$(best cp -r "$data/corpus" "$copy")
BEFORE="rm -rf '$out'" t_sub=$(best "$cli" subcorpora --quiet --delicacy month "$data/corpus" "$out")
rm -rf "$copy"
in_mb=$(du -sm "$data/corpus" | cut -f1)
out_mb=$(du -sm "$out" | cut -f1)
echo "sub-corpora by month: $files files, ${in_mb} MB in, ${out_mb} MB out (UTF-16)"
echo "  cp -r:       ${t_cp} s"
echo "  subcorpora:  ${t_sub} s"
echo "  ratio:       $(echo "scale=2; $t_sub / $t_cp" | bc -l) x cp -r (goal: at most 3)"

BEFORE="" t_walk=$(best find "$data/many_$many" -type f)
t_sample=$(best "$cli" sample --quiet --size 100 --seed 1 --folder "$data/many_$many")
echo "sampling 100 from $many files:"
echo "  find (bare walk): ${t_walk} s"
echo "  sample:           ${t_sample} s"
echo "  difference:       $(echo "$t_sample - $t_walk" | bc -l) s, ratio $(echo "scale=2; $t_sample / $t_walk" | bc -l)"
echo "(2 shared cores: figures are noisy; run again when the machine is quiet)"
