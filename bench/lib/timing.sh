# Shared helpers for the benchmark scripts: best-of-N wall time of a command.
#   best_time N CMD...   prints the best wall time in seconds
best_time() {
  local n=$1; shift
  local best="" t0 t1 t
  for ((k = 0; k < n; k++)); do
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1 || true
    t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.3f\n' "$best"
}
ratio() { printf '%.2f\n' "$(echo "$1 / $2" | bc -l)"; }
cat_tree() { find "$1" -type f -print0 | xargs -0 cat > /dev/null; }

# Interleaved timing, so that a busy or slow machine affects both sides alike:
#   interleaved_ratio N "BASELINE COMMAND" "TOOL COMMAND"
# runs baseline, tool, baseline, tool, ... N times each (both through bash -c,
# output discarded) and prints "median_baseline_s median_tool_s median_ratio",
# where the ratio is the median of the N per-round ratios tool/baseline.
interleaved_ratio() {
  local n=$1 base=$2 tool=$3 k t0 t1 tb tt
  local bases=() tools=() ratios=()
  for ((k = 0; k < n; k++)); do
    t0=$(date +%s.%N); bash -c "$base" > /dev/null 2>&1 || true; t1=$(date +%s.%N)
    tb=$(echo "$t1 - $t0" | bc -l)
    t0=$(date +%s.%N); bash -c "$tool" > /dev/null 2>&1 || true; t1=$(date +%s.%N)
    tt=$(echo "$t1 - $t0" | bc -l)
    bases+=("$tb"); tools+=("$tt"); ratios+=("$(echo "$tt / $tb" | bc -l)")
  done
  median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
  printf '%.3f %.3f %.2f\n' "$(median "${bases[@]}")" "$(median "${tools[@]}")" "$(median "${ratios[@]}")"
}

# Makes (once) and prints the path of a hard corpus of bench/lib/make_hard_corpus.py:
#   hard_corpus multilingual|many [extra generator options...]
# Kept under $BENCH_DATA (default /work/benchdata), keyed by kind and options.
hard_corpus() {
  local kind=$1; shift
  local key; key=$(echo "$kind $*" | tr -c 'A-Za-z0-9\n' '_')
  local root="${BENCH_DATA:-/work/benchdata}/hard_$key"
  if [ ! -f "$root/.complete" ]; then
    rm -rf "$root"
    python3 "$(dirname "${BASH_SOURCE[0]}")/make_hard_corpus.py" "$kind" "$root" "$@" >&2
  fi
  echo "$root"
}
