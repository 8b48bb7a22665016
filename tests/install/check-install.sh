#!/usr/bin/env bash
# Installs the build into an empty prefix and checks what a desktop and a packager see there: both
# programs, the desktop entry (desktop-file-validate), the AppStream metadata (appstreamcli), the icon
# in every size, the Polish manual pages and the package's documents, each naming the project's version.
# Usage: check-install.sh BUILD_DIR VERSION APP_ID WITH_GUI(0|1)
# Exits 77 (a skip for CTest) when a validator is missing.
set -euo pipefail
build=$1 version=$2 id=$3 gui=$4

for tool in desktop-file-validate appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_file() { [ -f "$prefix/$1" ] || fail "not installed: $1"; }

expect_file bin/quarvel-cli
expect_file share/man/man1/quarvel-cli.1.gz
expect_file share/doc/quarvel/copyright
expect_file share/doc/quarvel/changelog.gz
[ "$("$prefix/bin/quarvel-cli" --version)" = "quarvel-cli $version" ] || fail "quarvel-cli --version does not name $version"
zcat "$prefix/share/doc/quarvel/changelog.gz" | head -n 1 | grep -qF "quarvel ($version)" || fail "the changelog's newest entry is not $version"
grep -q '^License: Expat$' "$prefix/share/doc/quarvel/copyright" || fail "the copyright file names no licence"

# A manual page: rendered without a warning, Polish letters intact, the version in its footer.
check_page() {
  local page=$prefix/share/man/man1/$1.1.gz rendered warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "$1.1: $warnings"
  # Wide enough that no line is wrapped, so no words are spread apart.
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=250 man -l "$page" 2>/dev/null)
  for text in "Polecenia użytkownika" "ZOBACZ TAKŻE" "Quarvel $version" "$2"; do
    grep -qF -- "$text" <<<"$rendered" || fail "$1.1 does not show \"$text\""
  done
}
check_page quarvel-cli "przygotowanie pliku kontrahentów lub zleceń płatniczych"
# Every option the batch command's help names, long or short, heads a paragraph of its page.
page=$(LC_ALL=C.UTF-8 MANWIDTH=250 man -l "$prefix/share/man/man1/quarvel-cli.1.gz" 2>/dev/null)
for option in $("$prefix/bin/quarvel-cli" --help | grep -oE -- '(^|[ (])--?[A-Za-z][a-z-]*' | tr -d ' (' | sort -u); do
  grep -qE -- "^ +(-[A-Za-z], )?$option([ ,=]|$)" <<<"$page" || fail "quarvel-cli.1 does not describe $option"
done

if [ "$gui" = 1 ]; then
  expect_file bin/quarvel
  check_page quarvel "przygotowanie plików kontrahentów i zleceń płatniczych"
  desktop="$prefix/share/applications/$id.desktop"
  metainfo="$prefix/share/metainfo/$id.metainfo.xml"
  expect_file "share/applications/$id.desktop"
  expect_file "share/metainfo/$id.metainfo.xml"
  # Its hints (a category without a main one, say) count too: a menu would file the program badly.
  verdict=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$verdict" ] || fail "desktop-file-validate: $verdict"
  appstreamcli validate --no-net "$metainfo" >/dev/null || {
    appstreamcli validate --no-net "$metainfo"
    fail "appstreamcli refuses $id.metainfo.xml"
  }
  grep -qx 'Exec=quarvel %f' "$desktop" || fail "the desktop entry does not start quarvel with a file"
  grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
  grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metadata's newest release is not $version"
  grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metadata names another desktop entry"

  expect_file "share/icons/hicolor/scalable/apps/$id.svg"
  for size in 16 32 48 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    if [ ! -f "$png" ]; then fail "no icon of $size pixels"; continue; fi
    # Width and height are the two big-endian words after the PNG signature and the header's length and type.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$width x $height" = "$size x $size" ] || fail "the icon for $size pixels is $width x $height"
  done
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installed into an empty prefix: every file present and valid"
