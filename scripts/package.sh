#!/usr/bin/env bash
# Builds the Debian package of the simulator into build/ and prints its path
# as the last line. The package is built in a tree of its own (build/deb),
# configured for the prefix /usr without tests and benchmarks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

tree="$root/build/deb"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF "${launcher[@]}" >/dev/null
cmake --build "$tree" -j"$(nproc)"
(cd "$tree" && cpack -G DEB -B "$tree/package" >&2)

deb="$(ls -t "$tree"/package/517_*.deb | head -n 1)"
cp "$deb" "$root/build/"
deb="$root/build/$(basename "$deb")"
# Warnings are shown; an error fails the script.
lintian --fail-on error "$deb" >&2
echo "$deb"
