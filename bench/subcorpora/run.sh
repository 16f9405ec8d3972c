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

# Runs "$@" $runs times; prints the best wall time and the best CPU time
# (user + system) in seconds. On a shared machine the CPU time is the steadier
# figure: waiting for a core or for the disk counts in the wall time only.
best() {
  local bw="" bc="" w c s
  for _ in $(seq "$runs"); do
    [ -n "${BEFORE:-}" ] && eval "$BEFORE"
    /usr/bin/time -f "%e %U %S" -o /tmp/sorvel_bench_time.$$ "$@" >/dev/null
    read -r w u s </tmp/sorvel_bench_time.$$
    c=$(echo "$u + $s" | bc -l)
    if [ -z "$bw" ] || [ "$(echo "$w < $bw" | bc -l)" = 1 ]; then bw=$w; fi
    if [ -z "$bc" ] || [ "$(echo "$c < $bc" | bc -l)" = 1 ]; then bc=$c; fi
  done
  rm -f /tmp/sorvel_bench_time.$$
  printf '%.3f %.3f' "$bw" "$bc"
}
ratio() { echo "scale=2; $1 / $2" | bc -l; }

# Warm the page cache.
find "$data/corpus" -type f -exec cat {} + >/dev/null
find "$data/many_$many" >/dev/null

copy="$data/copy"
out="$data/out"
read -r cp_w cp_c < <(BEFORE="rm -rf '$copy'" best cp -r "$data/corpus" "$copy")
read -r sub_w sub_c < <(BEFORE="rm -rf '$out'" best "$cli" subcorpora --quiet --delicacy month "$data/corpus" "$out")
rm -rf "$copy"
in_mb=$(du -sm "$data/corpus" | cut -f1)
out_mb=$(du -sm "$out" | cut -f1)
echo "sub-corpora by month: $files files, ${in_mb} MB in, ${out_mb} MB out (UTF-16), best of $runs, warm"
echo "  cp -r:       wall ${cp_w} s, cpu ${cp_c} s"
echo "  subcorpora:  wall ${sub_w} s, cpu ${sub_c} s"
echo "  ratio:       wall $(ratio "$sub_w" "$cp_w") x cp -r, cpu $(ratio "$sub_c" "$cp_c") x (goal: at most 3)"

many_dir="$data/many_$many"
read -r find_w find_c < <(best find "$many_dir" -type f)
read -r walk_w walk_c < <(best "$cli" sample --quiet --size 0 --folder "$many_dir")
read -r samp_w samp_c < <(best "$cli" sample --quiet --size 100 --seed 1 --folder "$many_dir")
echo "sampling 100 from $many files:"
echo "  find -type f:              wall ${find_w} s, cpu ${find_c} s"
echo "  walk and sort (size 0):    wall ${walk_w} s, cpu ${walk_c} s"
echo "  sample of 100:             wall ${samp_w} s, cpu ${samp_c} s"
echo "  sample minus walk:         wall $(echo "$samp_w - $walk_w" | bc -l) s; sample / find: wall $(ratio "$samp_w" "$find_w") x"
echo "(2 cores shared by 8 developers: figures are noisy; run again when the machine is quiet)"
