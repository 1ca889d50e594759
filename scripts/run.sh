#!/usr/bin/env bash
# Builds the simulator and starts it on the bundled sample data.
#
#   scripts/run.sh                     start it on this display
#   scripts/run.sh --screenshot F.png  start it on a virtual display, save a
#                                      picture of the screen to F.png, and end
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

shot=""
if [ "${1:-}" = "--screenshot" ]; then
  shot="${2:?usage: scripts/run.sh --screenshot FILE.png}"
  case "$shot" in /*) ;; *) shot="$PWD/$shot" ;; esac
elif [ $# -gt 0 ]; then
  echo "usage: scripts/run.sh [--screenshot FILE.png]" >&2
  exit 2
fi

"$root/scripts/build.sh"
program="$root/build/bin/517"

if [ -z "$shot" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "There is no display to show the simulator on (DISPLAY is not set)." >&2
    echo "Run it on a desktop, or take a picture of it on a virtual display:" >&2
    echo "  scripts/run.sh --screenshot board.png" >&2
    exit 1
  fi
  # The sample fare files are made by the build; an empty fare folder setting
  # reads them from the current folder, so route 12 can be set at once.
  cd "$root/build/samples"
  exec "$program"
fi

# The program takes the picture itself once its windows are painted.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
cd "$root/build/samples"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" --screenshot "$shot"
