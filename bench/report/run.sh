#!/usr/bin/env bash
# Times "sorvel-cli report" (release build) on the hard corpus of many small
# files, warm (files in the page cache), interleaved with two baselines:
# - the separate tools the report replaces, run one after the other
#   (corruption with the digraph test, dupnames, dupcontents, boilerplate);
# - "cat" of the same files.
# Then the peak memory of the report, the size of its page, and how long
# headless Chromium takes to load that page, against an empty page.
#
# FILES=N picks the corpus size (default 250000; 1000000 for the full one),
# ROUNDS=N the interleaved rounds (default 3).
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib/timing.sh
cli=build/release/src/cli/sorvel-cli
files=${FILES:-250000}
rounds=${ROUNDS:-3}

[ -x "$cli" ] || bash tools/build.sh release sorvel-cli

if [ "$files" = 1000000 ]; then corpus=$(hard_corpus many); else corpus=$(hard_corpus many --files "$files"); fi
good=$(find "$corpus" -type f -name '*.txt' -print -quit)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "corpus: $files files under $corpus"
bash -c "find '$corpus' -type f -print0 | xargs -0 cat" > /dev/null  # warm the page cache

report="'$cli' report --quiet -o '$out/report.html' '$corpus'"
tools="'$cli' corruption --quiet --subfolders --digraph --good '$good' '$corpus';
       '$cli' dupnames --quiet '$corpus'; '$cli' dupcontents --quiet '$corpus'; '$cli' boilerplate --quiet '$corpus'"
read -r base_s report_s ratio < <(interleaved_ratio "$rounds" "$tools" "$report")
printf 'report vs the four tools one by one, interleaved, median of %d: tools %.1f s, report %.1f s, ratio %.2f\n' \
  "$rounds" "$base_s" "$report_s" "$ratio"
read -r cat_s report_s ratio < <(interleaved_ratio "$rounds" "find '$corpus' -type f -print0 | xargs -0 cat" "$report")
printf 'report vs cat, interleaved, median of %d: cat %.1f s, report %.1f s, ratio %.1f x cat\n' \
  "$rounds" "$cat_s" "$report_s" "$ratio"

/usr/bin/time -v bash -c "$report" 2>&1 >/dev/null |
  awk -F: '/Maximum resident set size/ { printf "peak memory of the report: %.0f MB\n", $2 / 1024 }'
printf 'page: %s bytes\n' "$(stat -c %s "$out/report.html")"

if command -v chromium > /dev/null; then
  echo '<!DOCTYPE html><title>empty</title>' > "$out/empty.html"
  load() { chromium --headless --no-sandbox --disable-gpu --user-data-dir="$out/profile" --dump-dom "file://$1"; }
  read -r empty_s page_s ratio < <(interleaved_ratio "$rounds" "$(declare -f load); out='$out'; load '$out/empty.html'" \
    "$(declare -f load); out='$out'; load '$out/report.html'")
  printf 'Chromium load, median of %d: empty page %.2f s, report page %.2f s (%.2f s more)\n' \
    "$rounds" "$empty_s" "$page_s" "$(echo "$page_s - $empty_s" | bc -l)"
fi
