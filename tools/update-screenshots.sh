#!/usr/bin/env bash
# Renews the README's screenshots in docs/ from the tests that take them.
# Each such test writes into the build folder on an ordinary run and into
# docs/ of the source folder only when SORVEL_UPDATE_SCREENSHOTS names it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh dev report_tests
SORVEL_UPDATE_SCREENSHOTS=$PWD QT_QPA_PLATFORM=offscreen \
  build/dev/tests/report_tests --gtest_filter='ReportInBrowser.*'
git status --short docs/
