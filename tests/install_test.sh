#!/usr/bin/env bash
# cmake --install puts the program, its icon and its desktop entry where desktops look.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quillenta share/applications/quillenta.desktop \
         share/icons/hicolor/scalable/apps/quillenta.svg; do
  [ -s "$prefix/$f" ] || { echo "FAIL: $f not installed" >&2; exit 1; }
done
[ -x "$prefix/bin/quillenta" ] || { echo "FAIL: bin/quillenta is not executable" >&2; exit 1; }
grep -qx 'Exec=quillenta' "$prefix/share/applications/quillenta.desktop" &&
  grep -qx 'Icon=quillenta' "$prefix/share/applications/quillenta.desktop" ||
  { echo "FAIL: desktop entry does not start the program with its icon" >&2; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/quillenta.desktop"
fi
echo "PASS: installed into $prefix"
