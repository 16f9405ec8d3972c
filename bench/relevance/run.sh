#!/usr/bin/env bash
# Relevance check speed: 200 MB of generated texts, 200 filter terms, the
# release sorvel-cli timed against cat over the same files, both warm (the
# files are read once first so that both runs find them in the page cache).
# The machine is shared, so single timings are noisy: the best of three runs
# of each is compared.
set -euo pipefail
cd "$(dirname "$0")/../.."
data=/work/benchdata/relevance
python3 bench/relevance/make_corpus.py "$data"
bash tools/build.sh release sorvel-cli >/dev/null
cli=build/release/src/cli/sorvel-cli

# Best wall time and best CPU time (user + system) of three runs of a shell
# function, printed as "wall cpu" in seconds. CPU time is the steadier figure
# on a busy machine.
best() {
  local bw= bc_= out w c
  for _ in 1 2 3; do
    out=$( { /usr/bin/time -f "%e %U %S" bash -c "$(declare -f "$1"); data=$data cli=$cli; $1" >/dev/null; } 2>&1 | tail -1)
    w=$(echo "$out" | cut -d' ' -f1)
    c=$(echo "$out" | awk '{print $2 + $3}')
    if [ -z "$bw" ] || (( $(echo "$w < $bw" | bc -l) )); then bw=$w; fi
    if [ -z "$bc_" ] || (( $(echo "$c < $bc_" | bc -l) )); then bc_=$c; fi
  done
  echo "$bw $bc_"
}

cat_all() { find "$data/texts" -type f -print0 | xargs -0 cat; }
check() { "$cli" relevance --filters "$data/filters.txt" --folder "$data/texts" --min-words 0 --json --quiet; }

cat_all >/dev/null  # warm the page cache
size=$(du -sm "$data/texts" | cut -f1)
read -r w_cat c_cat < <(best cat_all)
read -r w_rel c_rel < <(best check)
listed=$(check | python3 -c 'import json,sys; d=json.load(sys.stdin); print(d["examined"], len(d["results"]))')
printf 'corpus: %s MB, 200 terms; texts examined, listed: %s\n' "$size" "$listed"
printf 'cat:       wall %.2f s, cpu %.2f s\n' "$w_cat" "$c_cat"
printf 'relevance: wall %.2f s, cpu %.2f s\n' "$w_rel" "$c_rel"
printf 'ratio relevance/cat: wall %.1f, cpu %.1f (goal: at most 5)\n' \
  "$(echo "$w_rel / $w_cat" | bc -l)" "$(echo "$c_rel / $c_cat" | bc -l)"
echo "note: 2 cores shared with other work; wall times vary with the load (load average: $(cut -d' ' -f1 /proc/loadavg))"
