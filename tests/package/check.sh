#!/usr/bin/env bash
# Checks the Debian package as a user's system would get it: what it unpacks to, what its
# control fields promise, whether the desktop entry and the manual page work, and lintian.
# check.sh DEB
set -euo pipefail
deb=$1
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
root=$(mktemp -d)
# lintian's own temporary files (mldbm-elf-*), which it leaves behind, go here.
lintian_tmp=$(mktemp -d)
trap 'rm -rf "$root" "$lintian_tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

version=$(sed -nE 's/^project\(quillenta VERSION ([0-9.]+).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no project version in CMakeLists.txt" >&2; exit 1; }

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillenta ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
[ "$(basename "$deb")" = "quillenta_${version}_amd64.deb" ] || fail "file is named $(basename "$deb")"
depends=$(field Depends)
dep_names=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/\(.*\)//; s/[[:space:]]//g' | sed '/^$/d')
for p in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
  grep -qx "$p" <<<"$dep_names" || fail "Depends lacks $p: $depends"
done

dpkg-deb -x "$deb" "$root"

# Exactly these files, all under /usr: a test program or a /usr/local path would show here.
expected="usr/bin/quillenta
usr/share/applications/quillenta.desktop
usr/share/doc/quillenta/changelog.gz
usr/share/doc/quillenta/copyright
usr/share/icons/hicolor/scalable/apps/quillenta.svg
usr/share/man/man1/quillenta.1.gz"
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "the package holds
$actual
instead of
$expected"
bad_owner=$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')
[ -z "$bad_owner" ] || fail "entries not owned by root: $bad_owner"

# The program: executable, stripped, and every library it needs named in Depends.
bin=$root/usr/bin/quillenta
if [ -x "$bin" ] && [ -f "$bin" ]; then
  if readelf -S "$bin" | grep -q '\.debug_'; then fail "usr/bin/quillenta carries debug sections"; fi
  for soname in $(readelf -d "$bin" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p'); do
    # "pkg:arch, pkg2:arch: /path" for each file of that name on this system.
    owners=$(dpkg -S "*/$soname" 2>/dev/null | sed -E 's/: [^ ]+$//; s/:[a-z0-9]+//g; s/, /\n/g' |
             sort -u)
    found=no
    for o in $owners; do if grep -qx "$o" <<<"$dep_names"; then found=yes; fi; done
    [ $found = yes ] || fail "$soname (from ${owners:-no package}) is not in Depends: $depends"
  done
else
  fail "usr/bin/quillenta is missing or not executable"
fi

# The desktop entry validates, starts the packaged program and names an icon the package has.
entry=$root/usr/share/applications/quillenta.desktop
if [ -f "$entry" ]; then
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || echo "desktop-file-validate: $out"
  exec_cmd=$(sed -nE 's/^Exec=([^ ]+).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not a program of the package"
  icon=$(sed -nE 's/^Icon=(.*)/\1/p' "$entry")
  ls "$root"/usr/share/icons/hicolor/*/apps/"$icon".* >/dev/null 2>&1 ||
    fail "Icon=$icon is not in the package's hicolor theme"
fi

# The manual page renders without a warning and documents this version and the settings file.
page=$root/usr/share/man/man1/quillenta.1.gz
if gzip -t "$page" 2>/dev/null; then
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || fail "man could not render the page"
  [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
  # The tray menu's two words, in each locale as its terminal can show them: man picks the
  # ASCII device in the C locale, which has no Japanese glyphs.
  while read -r locale words; do
    out=$(env -i PATH="$PATH" LANG="$locale" MANWIDTH=80 man --warnings -l "$page" 2>&1) ||
      fail "man could not render the page with LANG=$locale"
    [[ $out != *warning* ]] || fail "with LANG=$locale the manual page renders with warnings: $(grep warning <<<"$out")"
    for word in $words; do
      grep -q "$word" <<<"$out" || fail "with LANG=$locale the manual page does not show $word"
    done
  done <<'EOF'
C Settei Shuuryou
C.UTF-8 設定 終了
EOF
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
  grep -q "Quillenta $version" <<<"$text" || fail "the manual page does not name version $version"
  for word in quillenta.INI XDG_CONFIG_HOME DISPLAY; do
    grep -q "$word" <<<"$text" || fail "the manual page does not mention $word"
  done
else
  fail "usr/share/man/man1/quillenta.1.gz is missing or not gzip"
fi

# The changelog's newest entry is the packaged version: a version raised in CMakeLists.txt
# without a changelog entry is caught here.
changelog=$root/usr/share/doc/quillenta/changelog.gz
if gzip -t "$changelog" 2>/dev/null; then
  zcat "$changelog" >"$root/changelog.txt"
  top=$(dpkg-parsechangelog -l "$root/changelog.txt" -S Version)
  [ "$top" = "$version" ] || fail "changelog's newest entry is $top, the package is $version"
else
  fail "usr/share/doc/quillenta/changelog.gz is missing or not gzip"
fi
copyright=$root/usr/share/doc/quillenta/copyright
if [ -s "$copyright" ]; then
  # The licence the package states is the one in LICENSE, word for word.
  grep -qx 'License: Expat' "$copyright" || fail "the copyright file names no Expat (MIT) licence"
  # The body after the last "License: Expat", the stand-alone licence paragraph.
  stated=$(awk '/^License: Expat$/ { body = ""; next } { body = body $0 "\n" } END { printf "%s", body }' \
    "$copyright" | sed 's/^ //; s/^\.$//')
  licence=$(sed -n '/^Permission is hereby granted/,$p' "$source_dir/LICENSE")
  [ "$stated" = "$licence" ] ||
    fail "the copyright file's licence text differs from LICENSE: $(diff <(echo "$stated") <(echo "$licence") | head -n 4)"
else
  fail "no copyright file"
fi

# lintian: errors fail, warnings are shown.
lintian_rc=0
lintian_out=$(TMPDIR=$lintian_tmp lintian "$deb" 2>/dev/null) || lintian_rc=$?
[ -z "$lintian_out" ] || echo "$lintian_out"
if grep -q '^E:' <<<"$lintian_out"; then
  fail "lintian reports errors"
elif [ $lintian_rc -ne 0 ]; then
  fail "lintian ended with $lintian_rc"
fi

if [ $failures -gt 0 ]; then
  echo "FAIL: $failures check(s) of $deb failed" >&2
  exit 1
fi
echo "PASS: $deb"
