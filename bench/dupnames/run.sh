#!/usr/bin/env bash
# Times `sorvel-cli dupnames` (release build) on a tree of 200,000 files in
# 5,000 folders against the shell pipeline that lists the repeated names:
#   find DIR -type f -printf '%f\n' | sort | uniq -d
# as it stands (sort in the user's locale), and also with LC_ALL=C sort,
# which compares bytes and is the faster baseline. All run warm (one untimed
# run first); the best of RUNS timed runs counts. Prints the times, the
# ratios, and the peak memory of sorvel-cli.
#
#   bench/dupnames/run.sh            # build, generate once, time
#   RUNS=5 bench/dupnames/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
data=/work/benchdata/dupnames
tree=$data/tree
runs=${RUNS:-3}

bash tools/build.sh release sorvel-cli >/dev/null
cli=$repo/build/release/src/cli/sorvel-cli

if [ ! -f "$data/.complete" ]; then
  echo "generating 200,000 files in 5,000 folders under $tree ..." >&2
  rm -rf "$tree"
  mkdir -p "$tree"
  python3 "$repo/bench/dupnames/make_tree.py" "$tree"
  touch "$data/.complete"
fi

# "wall cpu" seconds of one run of a command (output discarded); cpu is
# user + system time of the command and its children, which other users of
# the machine disturb far less than wall time.
time_once() {
  /usr/bin/time -f '%e %U %S' bash -c "$1" 2>&1 >/dev/null | tail -1 | awk '{printf "%s %.2f\n", $1, $2 + $3}'
}

# The best wall time and the best cpu time of RUNS warm runs.
best_of() {
  local cmd=$1 best_wall="" best_cpu=""
  bash -c "$cmd" >/dev/null  # warm-up
  for _ in $(seq "$runs"); do
    local wall cpu
    read -r wall cpu < <(time_once "$cmd")
    if [ -z "$best_wall" ] || (( $(echo "$wall < $best_wall" | bc -l) )); then best_wall=$wall; fi
    if [ -z "$best_cpu" ] || (( $(echo "$cpu < $best_cpu" | bc -l) )); then best_cpu=$cpu; fi
  done
  echo "$best_wall $best_cpu"
}

pipeline="find '$tree' -type f -printf '%f\n' | sort | uniq -d"
pipeline_c="find '$tree' -type f -printf '%f\n' | LC_ALL=C sort | uniq -d"
sorvel="'$cli' dupnames --quiet '$tree'"

read -r t_pipe c_pipe < <(best_of "$pipeline")
read -r t_pipe_c c_pipe_c < <(best_of "$pipeline_c")
read -r t_sorvel c_sorvel < <(best_of "$sorvel")
ratio=$(echo "$t_sorvel / $t_pipe" | bc -l)
cpu_ratio=$(echo "$c_sorvel / $c_pipe" | bc -l)
ratio_c=$(echo "$t_sorvel / $t_pipe_c" | bc -l)
peak_kb=$( { /usr/bin/time -v "$cli" dupnames --quiet "$tree" >/dev/null; } 2>&1 |
  awk -F': ' '/Maximum resident set size/ {print $2}')
groups=$("$cli" dupnames --quiet --json "$tree" | python3 -c 'import json,sys; d=json.load(sys.stdin); print(len(d["groups"]), d["redundant"])')
names=$(bash -c "$pipeline" | wc -l)

printf 'files: 200000 in 5000 folders; repeated names: pipeline %s, sorvel groups/redundant %s\n' "$names" "$groups"
printf 'pipeline (find | sort | uniq -d): %.2f s wall, %.2f s cpu (sort in locale %s)\n' "$t_pipe" "$c_pipe" "${LC_ALL:-${LC_COLLATE:-${LANG:-C}}}"
printf 'same with LC_ALL=C sort:          %.2f s wall, %.2f s cpu\n' "$t_pipe_c" "$c_pipe_c"
printf 'sorvel-cli dupnames:              %.2f s wall, %.2f s cpu\n' "$t_sorvel" "$c_sorvel"
printf 'ratio sorvel / pipeline:          %.2f wall, %.2f cpu (goal: at most 2)\n' "$ratio" "$cpu_ratio"
printf 'ratio sorvel / LC_ALL=C pipeline: %.2f wall\n' "$ratio_c"
printf 'sorvel-cli peak memory:           %d MB\n' $((peak_kb / 1024))
echo "note: wall-clock times on a shared machine; repeat a few times before trusting a single figure." >&2

# A real tree where most names are unique: /usr (about 141,000 files here),
# timed interleaved with the same pipeline, median of RUNS rounds.
source bench/lib/timing.sh
usr_files=$(find /usr -type f 2>/dev/null | wc -l)
read -r u_pipe u_sorvel u_ratio < <(interleaved_ratio "$runs" \
  "find /usr -type f -printf '%f\n' 2>/dev/null | sort | uniq -d" \
  "'$cli' dupnames --quiet /usr")
printf '/usr (%s files): pipeline %s s, sorvel-cli dupnames %s s: median ratio %s (goal: at most 1.5)\n' \
  "$usr_files" "$u_pipe" "$u_sorvel" "$u_ratio"
