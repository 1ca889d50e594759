#!/usr/bin/env bash
# A whole day at the panel, for its memory: builds the soak driver and steps
# sample route 12 STEPS times (default 100000) on the offscreen platform with
# simulated clicks. Prints the resident memory every 10,000 steps and the
# growth per 1,000 steps after the first 10,000; fails when that growth is
# above 10 kB. Not part of scripts/test.sh: it takes minutes.
#
#   scripts/soak.sh [STEPS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

steps="${1:-100000}"
if ! [[ "$steps" =~ ^[1-9][0-9]*$ ]] || [ $# -gt 1 ]; then
  echo "usage: scripts/soak.sh [STEPS]" >&2
  exit 2
fi

"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target soak
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  exec "$root/build/benchmarks/soak" "$steps" "$root/build/samples"
