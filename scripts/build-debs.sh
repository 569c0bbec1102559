#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the three Debian packages in a build tree of their own: library and
# tools only, installed under /usr without RUNPATH, compiled and linked with
# Debian's hardening flags (dpkg-buildflags, hardening=+all).
# Usage: scripts/build-debs.sh [BUILD_DIR]      (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}

flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DORYX_INSTALL_RUNPATH=OFF -DORYX_BUILD_TESTS=OFF -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/*.deb
