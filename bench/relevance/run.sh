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

# The hard corpus: 10,000 multilingual texts of about 10 KB each, the same
# 200 terms, timed interleaved with cat (median of RUNS rounds).
source bench/lib/timing.sh
hard=$(hard_corpus multilingual ${HARD_TEXTS:+--texts "$HARD_TEXTS"})
# 200 words of the corpus's own languages, from frequent to rare, with the
# same mix of wildcards, phrases, case-kept, negative and grouped terms.
hard_filters="$hard.filters.txt"
[ -f "$hard_filters" ] || python3 - "$hard" "$hard_filters" <<'PY'
import collections, os, random, re, sys
root, out = sys.argv[1], sys.argv[2]
words = collections.Counter()
for folder, _, names in sorted(os.walk(root)):
    for name in sorted(names)[:3]:
        if name.endswith(".txt"):
            words.update(re.findall(r"\w{3,}", open(os.path.join(folder, name), encoding="utf-8", errors="replace").read()))
ranked = [w for w, _ in words.most_common()]
random.seed(7)
picked = random.sample(ranked[:4000], 200)
seen = set()
with open(out, "w", encoding="utf-8") as f:
    for i, t in enumerate(picked):
        threshold = 5 if i % 17 == 0 else 0
        opts = "n" if i % 11 == 0 else ("c" if i % 13 == 0 else "")
        if i % 7 == 0 and len(t) > 4:
            t = t[:-2] + "*"
        elif i % 19 == 0:
            t = t + " " + random.choice(ranked[:200])
        if t in seen:  # a shortened wildcard term may repeat another
            t = picked[i]
        seen.add(t)
        f.write(f"{t}\t{1 + i % 3}\t{threshold}\t{opts}\n")
PY
find "$hard" -type f -print0 | xargs -0 cat > /dev/null  # warm the page cache
read -r h_cat h_rel h_ratio < <(interleaved_ratio "${RUNS:-3}" \
  "find '$hard' -type f -print0 | xargs -0 cat" \
  "'$cli' relevance --filters '$hard_filters' --folder '$hard' --min-words 0 --json --quiet")
echo "hard corpus ($(du -sm "$hard" | cut -f1) MB): cat ${h_cat} s, relevance ${h_rel} s: median ratio ${h_ratio} x cat (goal: at most 3)"
