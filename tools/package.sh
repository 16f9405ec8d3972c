#!/usr/bin/env bash
# Builds the Debian package: a RelWithDebInfo build of the two programs in
# build/package (stripped on install, their function names kept for crash
# reports), `cpack -G DEB`, lintian on the result (errors and warnings fail), and the
# installed-program test on the same build, so that what ships is what was
# tested. Prints the path of the .deb; install it with
# `sudo apt install ./build/package/sorvel_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
build=build/package
# Debian's hardening flags (fortified functions, stack protector, read-only
# relocations bound at start), as dpkg-buildflags gives them to any package.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVEL_BUILD_TESTS=OFF \
  -DSORVEL_INSTALL_STRIPPED=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
bash tests/install/installed_program_test.sh "$build" . "$version"
rm -f "$build"/sorvel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/sorvel_*.deb)
lintian --fail-on error,warning "$deb"
echo "$deb"
