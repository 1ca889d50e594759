#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under the prefix /usr and
# checks that the tree holds exactly what an installed program needs, that the
# menu entry and the metainfo validate, and that the installed program starts
# from that tree alone.
#
#   InstallTreeTest.sh BUILD_DIR LIBDIR VERSION HAS_YOMI(0|1)
set -uo pipefail
build="$1" libdir="$2" version="$3" has_yomi="$4"
id=io.github.fareboard.FareBoard517

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dest="$work/dest"
root="$dest/usr"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

if ! DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install failed"
  exit 1
fi

# Everything that must be there, and nothing else.
expected=(
  bin/517 bin/hy3conv "$libdir/517/libMirvRes.so"
  share/517/samples/12.hy3 share/517/samples/7.hy3 share/517/samples/80.hy3
  share/517/samples/12tp.csv share/517/samples/7tp.csv
  share/517/samples/31.hy3 share/517/samples/50.hy3 share/517/samples/62.hy3
  share/517/samples/31tp.csv share/517/samples/50tp.csv share/517/samples/62tp.csv
  share/517/samples/csv/12.csv share/517/samples/csv/7.csv share/517/samples/csv/80.csv
  share/517/samples/plugins/hibari-plain.4SP share/517/samples/plugins/midori-barcode.4SP
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/517.1.gz share/man/man1/hy3conv.1.gz
  share/doc/517/copyright share/doc/517/changelog.gz
)
for f in mei/mei_normal.htsvoice mei/COPYRIGHT.txt mei/README.txt \
  nitech_jp_atr503_m001/nitech_jp_atr503_m001.htsvoice nitech_jp_atr503_m001/COPYING nitech_jp_atr503_m001/README; do
  expected+=("share/517/voices/$f")
done
for s in key route step step1 step2 step3 chime1 chime3; do expected+=("share/517/samples/sounds/$s.wav"); done
expected+=(share/517/samples/sounds/chime.mid share/517/samples/sounds/chime2.mp3)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/$id.png"); done
[ "$has_yomi" = 1 ] && expected+=(bin/yomi share/man/man1/yomi.1.gz)

printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
missing="$(comm -23 "$work/expected" "$work/installed")"
extra="$(comm -13 "$work/expected" "$work/installed")"
[ -z "$missing" ] || fail "not installed: $missing"
[ -z "$extra" ] || fail "installed but not expected: $extra"
outside="$(cd "$dest" && find . -mindepth 1 -maxdepth 1 ! -name usr)"
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

# Each picture has the size its folder says.
for s in "${sizes[@]}"; do
  png="$root/share/icons/hicolor/${s}x${s}/apps/$id.png"
  [ -f "$png" ] || continue
  got="$(identify -format '%wx%h' "$png" 2>/dev/null)"
  [ "$got" = "${s}x${s}" ] || fail "icon $png is $got, not ${s}x${s}"
done

for page in 517.1.gz hy3conv.1.gz yomi.1.gz; do
  gz="$root/share/man/man1/$page"
  [ -f "$gz" ] || continue
  gzip -t "$gz" || fail "$page is not a gzip file"
  ! zcat "$gz" | grep -q '@[A-Z_]*@' || fail "$page holds an unreplaced @VARIABLE@"
done

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 \
  || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
grep -q "^Exec=517$" "$root/share/applications/$id.desktop" || fail "the menu entry does not start 517"

# The programs find the companion library in the tree, not in the build
# (those that need it: the linker drops it from the others).
for program in "$root"/bin/*; do
  runpath="$(readelf -d "$program" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')"
  case "$runpath" in
    *"$build"*|'') fail "$(basename "$program") has the search path '$runpath'" ;;
  esac
  readelf -d "$program" | grep -q 'NEEDED.*libMirvRes.so' || continue
  where="$(env -u LD_LIBRARY_PATH ldd "$program" | sed -n 's/.*libMirvRes.so => \([^ ]*\).*/\1/p')"
  [ "$(realpath -m "$where")" = "$(realpath "$root/$libdir/517/libMirvRes.so")" ] \
    || fail "$(basename "$program") loads libMirvRes.so from '$where'"
done

# The installed program starts from the tree, offscreen, with a home of its
# own; the screenshot run must leave no settings file behind.
home="$work/home"
mkdir -p "$home"
run() {
  env -u LD_LIBRARY_PATH -u DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    timeout 60 "$root/bin/517" "$@"
}
# The sound and speech libraries are opened once the windows are up; loaded
# with the program they would hold up every start.
engines="$(readelf -d "$root/bin/517" | grep -E 'NEEDED.*(SDL2|fluidsynth|sndfile|espeak|mecab)' || true)"
[ -z "$engines" ] || fail "517 is linked with the sound and speech libraries: $engines"
version_line="$(env -u DISPLAY -u QT_QPA_PLATFORM "$root/bin/517" --version 2>&1)"
[ "$version_line" = "517 $version" ] || fail "517 --version said '$version_line'"
env -u DISPLAY -u QT_QPA_PLATFORM "$root/bin/517" --help 2>&1 | grep -q -- '--screenshot' \
  || fail "517 --help does not describe --screenshot"
run --no-such-option >/dev/null 2>&1
[ $? -eq 2 ] || fail "a wrong option does not end with status 2"

shot="$work/board.png"
run --screenshot "$shot" >"$work/run.log" 2>&1 || { cat "$work/run.log" >&2; fail "517 --screenshot failed"; }
if [ -s "$shot" ]; then
  # The board's face is dark grey, not the black of the empty screen.
  mean="$(convert "$shot" -crop 560x240+0+0 -colorspace Gray -format '%[fx:mean]' info:)"
  awk -v m="$mean" 'BEGIN { exit !(m > 0.05) }' || fail "no board in the picture (mean $mean)"
else
  fail "no picture was saved"
fi
left="$(find "$home" "$root/bin" -name '*.in4*')"
[ -z "$left" ] || fail "the screenshot run wrote settings: $left"
# The installed program and yomi find Open JTalk's voices in the tree.
! grep -q 'Open JTalk' "$work/run.log" || fail "517 did not find Open JTalk's voices: $(grep 'Open JTalk' "$work/run.log")"
if [ "$has_yomi" = 1 ]; then
  said="$(env -u LD_LIBRARY_PATH "$root/bin/yomi" --engine open-jtalk 次は 2>&1)"
  [ "$said" = "ツギワ" ] || fail "the installed yomi --engine open-jtalk said '$said'"
fi

[ "$failures" -eq 0 ] && echo "installed tree complete; the installed program started"
exit $((failures > 0))
