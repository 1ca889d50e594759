#!/usr/bin/env bash
# Builds everything and runs all tests on Qt's offscreen platform.
#
#   scripts/test.sh             the plain suite, in build/
#   scripts/test.sh --sanitize  the whole suite built with AddressSanitizer and
#                               UndefinedBehaviorSanitizer, in build-sanitize/,
#                               then the sound and speech tests built with
#                               ThreadSanitizer, in build-tsan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

case "${1:-}" in
  "")
    "$root/scripts/build.sh"
    cd "$root/build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j"$(nproc)"
    ;;
  --sanitize)
    "$root/scripts/setup.sh"
    flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    # Benchmarks measure nothing useful under a sanitizer; -O1 keeps the
    # suite's run time close to the plain one's.
    cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DBUILD_BENCHMARKS=OFF \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
    cmake --build "$root/build-sanitize" -j"$(nproc)"
    cd "$root/build-sanitize"
    # Any report fails the test that caused it; leaks inside system libraries
    # (fontconfig, the sound drivers) are not ours to mend and are suppressed.
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j"$(nproc)"
    # The threads of the sound output, its feeder and the speech worker.
    "$root/scripts/tsan.sh"
    ;;
  *)
    echo "usage: scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac
