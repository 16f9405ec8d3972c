#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the desktop
# program. On a machine without a display it runs the main job instead: the
# corruption check over the bundled demo corpus, on the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh release
bash demo/make-demo-corpus.sh demo/corpus
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Sorvel. The demo corpus is in demo/corpus (known-good texts in demo/corpus/good)."
  exec ./build/release/src/app/sorvel
fi
./build/release/src/cli/sorvel-cli corruption --digraph \
  --good demo/corpus/good/english.txt --good demo/corpus/good/german.txt \
  --subfolders demo/corpus/data
