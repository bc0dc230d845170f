#!/bin/sh
# Packs a build tree into a Debian package, as the README's installing steps
# do but into a scratch folder, and checks the package: lintian reports no
# error and no warning, the AppStream metainfo is valid and names the
# licence, the Japanese manual page and the drills of every school year are
# in, the copyright file names the drills' licence, and the package asks for
# Qt's Japanese texts and its Wayland plugin.
#
# Usage: check_package.sh CPACK BUILD_DIR
set -eu
cpack="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
deb="$(echo "$work"/*.deb)"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Prints the errors and warnings it finds, and fails on any.
lintian --fail-on error,warning "$deb" || fail "lintian found errors or warnings"

dpkg-deb -x "$deb" "$work/root"
metainfo="$work/root/usr/share/metainfo/org.tavosu.Tavosu.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo is not valid"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo names no licence"
[ -f "$work/root/usr/share/man/ja/man1/tavosu.1.gz" ] || fail "no Japanese manual page"
for year in 小学1年 小学2年 小学3年 小学4年 小学5年 小学6年 中学 高校; do
  for set in 音読み 訓読み 熟語の読み 漢字の書き; do
    [ -f "$work/root/usr/share/tavosu/drills/$year/$set-01.txt" ] || fail "no $set drills for $year"
  done
done
grep -q 'EDRDG' "$work/root/usr/share/doc/tavosu/copyright" || fail "the copyright file names no EDRDG licence"
dpkg-deb -f "$deb" Depends | grep -q 'qt6-translations-l10n' || fail "Qt's Japanese texts not asked for"
dpkg-deb -f "$deb" Recommends | grep -q 'qt6-wayland' || fail "Qt's Wayland plugin not recommended"
echo "package checked: $(basename "$deb")"
