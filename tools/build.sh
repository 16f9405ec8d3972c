#!/usr/bin/env bash
# Configures and builds one preset (dev by default): tools/build.sh [preset] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"; shift || true
cmake --preset "$preset" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
