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
