#!/usr/bin/env bash
# Renews the README's screenshots in docs/ from the tests that take them.
# Each such test writes into the build folder on an ordinary run and into
# docs/ of the source folder only when SORVEL_UPDATE_SCREENSHOTS names it.
set -euo pipefail
cd "$(dirname "$0")/.."
# The seven pages of the main window, each with results (docs/pages/).
bash tools/build.sh dev page_screenshots_uitest
SORVEL_UPDATE_SCREENSHOTS=$PWD QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
  build/dev/tests/page_screenshots_uitest
# The corpus health report in a browser (docs/report.png).
bash tools/build.sh dev report_tests
SORVEL_UPDATE_SCREENSHOTS=$PWD QT_QPA_PLATFORM=offscreen \
  build/dev/tests/report_tests --gtest_filter='ReportInBrowser.*'
git status --short docs/
