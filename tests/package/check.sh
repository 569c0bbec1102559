#!/usr/bin/env bash
# Builds the Debian packages in a tree of their own (library and tools only,
# Debian's build flags), runs lintian on them, unpacks them into a temporary
# root and builds and runs the install consumer against that root, with
# find_package and with pkg-config; then runs the unpacked oryx-export.
# Usage: tests/package/check.sh [BUILD_DIR]      (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-deb}

flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DORYX_INSTALL_RUNPATH=OFF -DORYX_BUILD_TESTS=OFF -DORYX_BUILD_BENCH=OFF -DORYX_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/*.deb)
lintian --fail-on error "${debs[@]}"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
libdir=$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)

cmake -S tests/install/consumer -B "$root/consumer" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$root/consumer"
"$root/consumer/consumer" | grep "consumer ok"

read -ra pc <<<"$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs oryxutil)"
c++ -std=c++17 tests/install/consumer/consumer.cpp "${pc[@]}" -o "$root/consumer-pc"
LD_LIBRARY_PATH=$libdir "$root/consumer-pc" | grep "consumer ok"

# The packaged tools carry no RUNPATH; the library is found through LD_LIBRARY_PATH.
version=$(dpkg-deb -f "$build"/oryxutil-tools_*.deb Version)
LD_LIBRARY_PATH=$libdir "$root/usr/bin/oryx-export" --version | grep -F "${version%-*}"
