#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs the main job:
# the corruption check over the bundled demo corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh release
bash demo/make-demo-corpus.sh demo/corpus
./build/release/src/cli/sorvel-cli corruption --digraph \
  --good demo/corpus/good/english.txt --good demo/corpus/good/german.txt \
  --subfolders demo/corpus/data
