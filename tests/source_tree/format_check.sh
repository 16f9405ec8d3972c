#!/usr/bin/env bash
# Fails when a C++ source under src/ or tests/ is not formatted as
# .clang-format says. The formatter's version is pinned, because each version
# lays code out a little differently.
set -euo pipefail
root="$1"
formatter="$(command -v clang-format-14 || true)"
if [ -z "$formatter" ]; then
  echo "format_check: clang-format-14 is not installed (tools/install-deps.sh installs it)" >&2
  exit 1
fi
cd "$root"
mapfile -d '' files < <(find src tests -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if "$formatter" --dry-run --Werror "${files[@]}"; then
  echo "format_check: ${#files[@]} sources are formatted"
else
  echo "format_check: run clang-format-14 -i on the files above" >&2
  exit 1
fi
