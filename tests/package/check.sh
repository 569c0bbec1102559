#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages (scripts/build-debs.sh), runs lintian on them
# (no error, no warning beyond the ones the README explains), unpacks them
# into a temporary root and builds and runs the README samples against that
# root, with find_package and with pkg-config; checks the control fields the
# packages promise; then runs the unpacked oryx-export.
# With ORYX_CLEAN_INSTALL=1 the packages are also installed with apt into a
# fresh Debian 12 root (scripts/clean-install-check.sh).
# Usage: tests/package/check.sh [BUILD_DIR]      (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-deb}

scripts/build-debs.sh "$build" >/dev/null
debs=("$build"/*.deb)
# Explained in the README: the packages are not uploaded to Debian, so
# their first changelog entry closes no bug.
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "${debs[@]}"

field() { dpkg-deb -f "$build"/$1_*.deb "$2"; }
[ "$(field liboryxutil0 Multi-Arch)" = same ] || { echo "liboryxutil0: Multi-Arch is not same" >&2; exit 1; }
for dep in libace-dev libxlsxwriter-dev libutf8proc-dev pkg-config; do
  field liboryxutil-dev Depends | grep -cw "$dep" >/dev/null || { echo "liboryxutil-dev does not depend on $dep" >&2; exit 1; }
done
field oryxutil-tools Description | grep -ci xlsx >/dev/null || { echo "oryxutil-tools: description omits xlsx" >&2; exit 1; }
# grep -c reads to the end: grep -q would leave at the first match and,
# under pipefail, fail the pipeline with the listing's broken pipe.
dpkg-deb -c "$build"/liboryxutil0_*.deb | grep -c 'usr/share/doc/liboryxutil0/copyright' >/dev/null

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
libdir=$root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  "$root/usr/share/doc/liboryxutil0/copyright"

# The unpacked root is not where its .pc and CMake files say they are:
# pkg-config is told the sysroot, the loader the library's directory.
CMAKE_PREFIX_PATH=$root/usr PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_PATH=$libdir/pkgconfig \
  LD_LIBRARY_PATH=$libdir python3 tests/install/readme_samples.py run README.md "$root/samples"

# The packaged tools carry no RUNPATH; the library is found through LD_LIBRARY_PATH.
version=$(field oryxutil-tools Version)
LD_LIBRARY_PATH=$libdir "$root/usr/bin/oryx-export" --version | grep -F "${version%-*}"

if [ "${ORYX_CLEAN_INSTALL:-0}" = 1 ]; then
  scripts/clean-install-check.sh "$build"
fi
