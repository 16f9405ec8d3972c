#!/usr/bin/env bash
# Recall of sorvel-cli dupcontents on a planted set (make_planted.py): for each
# kind of change, how many of the copies share a group with their original,
# with default and 2 % thresholds, with and without --any-folder --no-dates,
# and with and without --normalize-space.
#   bench/dupcontents/recall.sh [planted folder]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
root="${1:-${BENCH_DATA:-/work/benchdata}/planted}"
cli="$repo/build/release/src/cli/sorvel-cli"
[ -x "$cli" ] || (cd "$repo" && bash tools/build.sh release sorvel-cli)
if [ ! -f "$root/.complete" ]; then
  rm -rf "$root"
  python3 "$here/make_planted.py" "$root"
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
runs=()
for thresholds in "0.5" "2"; do
  for scope in "" "--any-folder --no-dates"; do
    for norm in "" "--normalize-space"; do
      name="t${thresholds}${scope:+ any}${norm:+ norm}"
      # shellcheck disable=SC2086
      "$cli" dupcontents --quiet --json --length-diff "$thresholds" --words-diff "$thresholds" $scope $norm \
        "$root" > "$out/$(echo "$name" | tr ' .' '__').json" || true
      runs+=("$name")
    done
  done
done

python3 - "$root/manifest.tsv" "$out" "${runs[@]}" <<'EOF'
import json, os, sys
manifest, out, runs = sys.argv[1], sys.argv[2], sys.argv[3:]
copies = [line.rstrip("\n").split("\t") for line in open(manifest)]
kinds = list(dict.fromkeys(k for _, k, _ in copies))
table = {}
for run in runs:
    data = json.load(open(os.path.join(out, run.replace(" ", "_").replace(".", "_") + ".json")))
    group_of = {}
    for g, group in enumerate(data["groups"]):
        for m in group["members"]:
            group_of[os.path.realpath(m["file"])] = g
    found = {k: 0 for k in kinds}
    for folder, kind, path in copies:
        orig = os.path.realpath(os.path.join(os.path.dirname(path), "orig.txt"))
        g = group_of.get(os.path.realpath(path))
        if g is not None and group_of.get(orig) == g:
            found[kind] += 1
    table[run] = found
n = len(copies) // len(kinds)
labels = {r: r.replace("t0.5", "0.5 %").replace("t2", "2 %").replace(" any", ", any folder, no dates")
             .replace(" norm", ", normalize-space") for r in runs}
print("%-16s" % "kind of change" + "".join("%10s" % ("run %d" % (i + 1)) for i in range(len(runs))))
for k in kinds:
    print("%-16s" % k + "".join("%10s" % ("%d/%d" % (table[r][k], n)) for r in runs))
print("%-16s" % "total" + "".join("%10s" % ("%d/%d" % (sum(table[r].values()), len(copies))) for r in runs))
for i, r in enumerate(runs):
    print("run %d: thresholds %s" % (i + 1, labels[r]))
EOF
