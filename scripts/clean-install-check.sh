#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages with apt into a fresh Debian 12 root made with
# debootstrap (nothing of the build there), then checks as a new user would:
# pkg-config --cflags oryxutil works with only what the packages pulled in;
# with a compiler and CMake added, the README samples build through
# find_package and through pkg-config and run; `man oryx-export` shows the
# page; apt-get remove leaves none of the packages' files behind.
# Needs root and Debian's mirror; the base root is kept in ORYX_CLEAN_CACHE
# (default /var/tmp/oryxutil-clean-root) and copied afresh for every run.
# Usage: scripts/clean-install-check.sh [BUILD_DIR]   (default: build-deb,
#        holding the packages of scripts/build-debs.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
cache=${ORYX_CLEAN_CACHE:-/var/tmp/oryxutil-clean-root}
packages=(liboryxutil0 liboryxutil-dev oryxutil-tools)

if [ ! -x "$cache/base/usr/bin/apt-get" ]; then
  rm -rf "$cache"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$cache/base" http://deb.debian.org/debian >"$cache/debootstrap.log"
fi
root=$(mktemp -d /var/tmp/oryxutil-clean.XXXXXX)
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$cache/base/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mkdir -p "$root/check"
for p in "${packages[@]}"; do cp "$build/${p}"_*.deb "$root/check/"; done
python3 tests/install/readme_samples.py extract README.md "$root/check/samples" >/dev/null

chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive \
  /bin/bash -euo pipefail -c '
cd /check
apt-get -o Dpkg::Use-Pty=0 update -qq
apt-get -o Dpkg::Use-Pty=0 install -y -qq ./*.deb >/dev/null
dpkg -L '"${packages[*]}"' | sort -u > files.txt
echo "== pkg-config --cflags oryxutil: $(pkg-config --cflags oryxutil)"
apt-get -o Dpkg::Use-Pty=0 install -y -qq --no-install-recommends g++ cmake make man-db >/dev/null
samples/run.sh
echo "== man oryx-export"
man -P cat oryx-export | grep -c "oryx-export" >/dev/null
echo "== apt-get remove"
apt-get -o Dpkg::Use-Pty=0 remove -y -qq '"${packages[*]}"' >/dev/null
left=0
while IFS= read -r f; do
  # Shared directories such as /usr/bin stay; files and the packages own ones go.
  if [ -e "$f" ] && { [ ! -d "$f" ] || [[ "$f" == *oryx* ]]; }; then echo "left behind: $f"; left=1; fi
done < files.txt
for p in '"${packages[*]}"'; do
  if dpkg-query -W -f="\${Status}\n" "$p" 2>/dev/null | grep -cv "^unknown\|not-installed" >/dev/null; then
    echo "still known to dpkg: $p"; left=1
  fi
done
[ "$left" = 0 ]
echo "clean install: all passed"
'
