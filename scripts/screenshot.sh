#!/usr/bin/env bash
# Inside a virtual display: starts the program, waits until the board is on
# the screen, saves a picture of the screen and ends the program.
set -euo pipefail
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
program="$1"
shot="$2"

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

shown=""
for _ in $(seq 1 150); do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "The simulator ended before its board was shown." >&2
    exit 1
  fi
  # The board is the borderless 567 x 244 window at the upper left corner.
  if xwininfo -root -tree 2>/dev/null | grep -q '567x244+0+0'; then
    shown=yes
    break
  fi
  sleep 0.1
done
if [ -z "$shown" ]; then
  echo "The board did not appear within 15 seconds." >&2
  exit 1
fi
sleep 1  # let the first paint finish
import -window root "$shot"
echo "Saved a picture of the screen to $shot"
