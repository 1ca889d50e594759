#!/usr/bin/env bash
# Builds the file readers' fuzzers into build-fuzz/ with clang and runs each
# (or only the NAMEs given) for SECONDS (default 60), one after the other. Prints one line per reader,
# "NAME: R runs, C crashes", and fails when any run found a crash, a hang or
# an out-of-memory. The inputs that did are kept in build-fuzz/artifacts/NAME/,
# the grown corpora in build-fuzz/corpus/NAME/, each run's log beside them.
set -euo pipefail
seconds="${1:-60}"
case "$seconds" in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS [NAME...]]" >&2; exit 2 ;;
esac
shift $(( $# > 0 ? 1 : 0 ))
only=" $* "
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
"$root/scripts/setup.sh" --clang

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_FUZZERS=ON -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF "${launcher[@]}" >/dev/null
cmake --build "$out" -j"$(nproc)" --target fuzzers

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
failed=0
while read -r name; do
  [ -n "$name" ] || continue
  [ "$only" = "  " ] || [[ "$only" == *" $name "* ]] || continue
  corpus="$out/corpus/$name"
  artifacts="$out/artifacts/$name"
  log="$out/artifacts/$name.log"
  mkdir -p "$corpus" "$artifacts"
  stamp="$(mktemp)"
  # libFuzzer ends at the first finding and exits non-zero; the artifacts
  # written during this run are what counts.
  status=0
  "$out/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$out/fuzz/seeds/$name" \
    >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  crashes="$(find "$artifacts" -maxdepth 1 -type f -newer "$stamp" \
               \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \) | wc -l)"
  rm -f "$stamp"
  # A run that died without leaving an input still failed.
  [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ] && crashes=1
  echo "$name: ${runs:-0} runs, $crashes crashes"
  [ "$crashes" -eq 0 ] || failed=1
done <"$out/fuzz/fuzzers.txt"
[ "$failed" -eq 0 ] || echo "fuzz: findings in $out/artifacts/ (see the .log beside each)" >&2
exit "$failed"
