#!/usr/bin/env bash
# Builds the sound and speech tests with ThreadSanitizer in build-tsan/ and
# runs them: the device callback, the feeder, the device opener and the
# speech worker share data, and a race among them must fail here.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-tsan"
targets=(test_sound test_sound_nodevice test_loaders test_tape test_speech)
# clang 14's ThreadSanitizer fails inside its own runtime ("CHECK failed:
# tsan_rtl.cpp ... thr->slot") in a process that forks while other threads
# run, which every start of open_jtalk is (QProcess). The tests that start it
# (test_openjtalk, and the voice choice's tests in test_speech, whose Open
# JTalk voices warm up with one run) are left out here; they run under
# AddressSanitizer with the rest of the suite.
declare -A filters=([test_speech]="-AnnouncementVoiceTest.*")

# clang, not g++: the sound output's lock-free queue tells ThreadSanitizer
# how its fences order the two threads only where the compiler says it is
# checking threads the way clang does (g++ 12 does not), and without that
# every hand-over through the queue would read as a race.
"$root/scripts/setup.sh" --clang
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DBUILD_BENCHMARKS=OFF "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_C_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}"

# Linux 6.x places libraries where TSan's shadow memory does not expect them
# unless address-space randomisation is narrowed for the run.
run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
  run=(setarch "$(uname -m)" -R)
fi
export QT_QPA_PLATFORM=offscreen
# The libraries outside the program (Qt, SDL, FluidSynth, espeak-ng) are not
# built with TSan; what they do inside themselves is theirs. A report with
# one of this program's frames in it stops the run.
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp}"
status=0
for t in "${targets[@]}"; do
  echo "== $t"
  "${run[@]}" "$build/tests/$t" ${filters[$t]:+--gtest_filter="${filters[$t]}"} || status=1
done
exit $status
