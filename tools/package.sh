#!/usr/bin/env bash
# Builds the Debian package: a RelWithDebInfo build of the two programs in
# build/package, `cpack -G DEB`, then lintian on the result (errors fail).
# Prints the path of the .deb; install it with `sudo apt install ./sorvel_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVEL_BUILD_TESTS=OFF -DSORVEL_INSTALL_STRIPPED=ON >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/sorvel_*.deb | head -n 1)
lintian --fail-on error "$deb"
echo "$deb"
