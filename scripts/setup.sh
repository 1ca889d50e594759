#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need;
# with --clang also clang and its sanitizer and libFuzzer runtimes, for
# scripts/fuzz.sh and scripts/tsan.sh.
# Does nothing when all of them are already there.
set -euo pipefail

packages=(
  # toolchain
  cmake g++ make pkg-config
  # windows, dialogs, images
  qt6-base-dev libgl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # Japanese and digit faces for the windows; 16-dot faces for the stop names
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core
  libfreetype-dev xfonts-shinonome
  # sound: WAV and MP3 decoding, MIDI rendering with a General MIDI soundfont,
  # the mixed output
  libsndfile1-dev libfluidsynth-dev timgm6mb-soundfont libsdl2-dev libreaderwriterqueue-dev
  # speech: espeak-ng's Japanese voice, MeCab readings for kanji, and the tool
  # that compiles the transit words' user dictionary
  libespeak-ng-dev espeak-ng-data libmecab-dev mecab-ipadic mecab-ipadic-utf8 mecab-utils
  # place and station names with their readings, read where they are
  # installed (their licences keep them out of this repository)
  enamdict skkdic-extra
  # speech: Open JTalk's synthesiser and its dictionary (the voices are in data/voices)
  open-jtalk open-jtalk-mecab-naist-jdic
  # zip files of published bus feeds, for hy3conv
  libzip-dev
  # a display for machines without one, and screenshots
  xvfb xauth x11-utils imagemagick
  # the icons are rendered from SVG; the install test validates the menu
  # entry and the metainfo
  librsvg2-bin desktop-file-utils appstream
  # scripts/package.sh: library dependencies of the package, and its check
  dpkg-dev lintian
)
if [ "${1:-}" = "--clang" ]; then
  # the file readers' fuzzers and the thread checks: clang with libFuzzer
  # and the sanitizers
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
