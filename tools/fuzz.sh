#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a while:
#   tools/fuzz.sh [seconds per target, default 20] [target...]
# Each target starts from its kept inputs (tests/fuzz/corpus/ and
# tests/fuzz/regressions/) and grows a working corpus under build/fuzz/corpus/.
# A crash leaves its input in build/fuzz/crashes/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"; shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text_reader filter_list settings_file list_file)
bash tools/build.sh fuzz
mkdir -p build/fuzz/crashes
status=0
for t in "${targets[@]}"; do
  work="build/fuzz/corpus/$t"
  mkdir -p "$work" "tests/fuzz/regressions/$t"
  echo "fuzzing $t for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
      "build/fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/crashes/$t-" \
      "$work" "tests/fuzz/corpus/$t" "tests/fuzz/regressions/$t" >"build/fuzz/$t.log" 2>&1; then
    echo "fuzz target $t failed; see build/fuzz/$t.log and build/fuzz/crashes/" >&2
    tail -n 40 "build/fuzz/$t.log" >&2
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^stat::new_units_added" "build/fuzz/$t.log" || true
done
exit $status
