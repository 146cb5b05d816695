#!/usr/bin/env bash
# Builds the Debian package tarnwick_VERSION_ARCH.deb into the top folder of the sources.
#
#   bash scripts/package.sh                    a Release build of its own in build-pkg/
#   bash scripts/package.sh --build-dir DIR    packs an existing build folder instead (CI
#                                              packs the one its tests ran in)
#
# Either way the build is configured for /usr, where the programs look for their help
# text. Install the result with: sudo apt install ./tarnwick_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# Files and folders of the package as Debian wants them: 0644 and 0755.
umask 022

build=build-pkg
own_build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir)
      build="${2:?--build-dir needs a folder}"
      own_build=0
      shift 2
      ;;
    *)
      echo "usage: $0 [--build-dir DIR]" >&2
      exit 2
      ;;
  esac
done

bash scripts/setup.sh

if [ "$own_build" = 1 ]; then
  # Optimised as the tested build is, with Debian's hardening flags on top (stack
  # protector, fortified calls, read-only relocations bound at start).
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DTARNWICK_QT=ON -DTARNWICK_BENCH=OFF -DTARNWICK_SANITIZE=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
else
  [ -f "$build/CMakeCache.txt" ] || { echo "$build is not a configured build folder" >&2; exit 2; }
  grep -q '^TARNWICK_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" &&
    { echo "$build is a sanitizer build; package a normal one" >&2; exit 2; }
  cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi
# Only what the package holds: the programs, the compressed manual pages and changelog.
cmake --build "$build" --target tarnwick_package_files

rm -rf "$build/cpack"
(cd "$build" && cpack -G DEB -B "$PWD/cpack" >/dev/null)
debs=("$build"/cpack/tarnwick_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "cpack made no single .deb" >&2; exit 1; }
# One package at the top, so ./tarnwick_*.deb names it alone.
rm -f tarnwick_*.deb
mv "${debs[0]}" .
echo "Built $(basename "${debs[0]}")"
