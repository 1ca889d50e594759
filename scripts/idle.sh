#!/usr/bin/env bash
# What the simulator costs while it stands idle: starts build/bin/517 on
# Qt's offscreen platform with SDL's dummy sound driver (a device that takes
# blocks at a sound card's pace), lets it settle, then measures the processor
# time of all its threads over a spell and how often each thread woke.
#
#   scripts/idle.sh [SECONDS [SETTLE]]    default 60 s after 15 s of settling
#
# Prints the share of one core and the wake-ups a second of each thread that
# woke at all; fails when the share is IDLE_LIMIT percent (default 0.1) or
# more. PROGRAM names another build of the simulator, SDL_AUDIODRIVER another
# driver.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
settle="${2:-15}"
limit="${IDLE_LIMIT:-0.1}"
program="${PROGRAM:-$root/build/bin/517}"
if [[ ! -x "$program" ]]; then
  echo "idle.sh: $program is not built (scripts/build.sh)" >&2
  exit 2
fi

home="$(mktemp -d)"
pid=""
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$home"
}
trap cleanup EXIT

# A fresh user: no settings of the developer's are read or written.
cd "$root/build/samples"
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" HOME="$home" XDG_CONFIG_HOME="$home/config" \
  "$program" >"$home/output.txt" 2>&1 &
pid=$!
sleep "$settle"
if ! kill -0 "$pid" 2>/dev/null; then
  echo "idle.sh: the simulator ended while settling:" >&2
  cat "$home/output.txt" >&2
  exit 2
fi

# Nanoseconds on a processor, summed over the threads (schedstat), and each
# thread's name and context switches (a switch away is a wake-up to come).
snapshot() {
  local task
  for task in /proc/"$pid"/task/*; do
    local tid="${task##*/}"
    local ns switches
    ns="$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null)" || continue
    switches="$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$task/status" 2>/dev/null)" || continue
    printf '%s %s %s %s\n' "$tid" "$ns" "$switches" "$(tr ' ' '_' <"$task/comm")"
  done
}

before="$(snapshot)"
sleep "$seconds"
after="$(snapshot)"

awk -v seconds="$seconds" -v limit="$limit" '
  NR == FNR { ns[$1] = $2; sw[$1] = $3; next }
  {
    used = $2 - ($1 in ns ? ns[$1] : 0)
    woke = $3 - ($1 in sw ? sw[$1] : 0)
    total += used
    if (woke > 0)
      printf "  %-16s %8.1f wake-ups/s %8.3f ms\n", $4, woke / seconds, used / 1e6
  }
  END {
    share = total / (seconds * 1e9) * 100
    printf "idle: %.3f %% of a core over %d s (limit %s %%)\n", share, seconds, limit
    exit share < limit ? 0 : 1
  }' <(echo "$before") <(echo "$after")
