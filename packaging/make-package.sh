#!/usr/bin/env bash
# Makes the setup program and the portable ZIP from finished builds:
#   make-package.sh WIN_BUILD WIN32_BUILD OUTDIR
# WIN_BUILD holds bin/Ferrimond.exe, bin/Ferrimond.html, bin/Almanix.dll and
# generated/version.nsh; WIN32_BUILD holds bin/Almanix.dll (x86).
# Writes OUTDIR/Ferrimond-Setup-<version>.exe and
# OUTDIR/Ferrimond-<version>-portable.zip, and prints their paths.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
win="$(cd "$1" && pwd)"; win32="$(cd "$2" && pwd)"; mkdir -p "$3"; out="$(cd "$3" && pwd)"

for f in "$win/bin/Ferrimond.exe" "$win/bin/Ferrimond.html" "$win/bin/Almanix.dll" \
         "$win/generated/version.nsh" "$win32/bin/Almanix.dll"; do
  [ -f "$f" ] || { echo "missing: $f (build first)" >&2; exit 1; }
done
version=$(sed -n 's/^!define FERRIMOND_VERSION "\(.*\)"$/\1/p' "$win/generated/version.nsh")
[ -n "$version" ] || { echo "no version in $win/generated/version.nsh" >&2; exit 1; }

makensis -V2 -NOCD \
  -DSRCDIR="$src" -DVERSION_NSH="$win/generated/version.nsh" \
  -DBIN64="$win/bin" -DALMANIX_X86="$win32/bin/Almanix.dll" -DOUTDIR="$out" \
  "$src/packaging/ferrimond.nsi" >&2

# The portable ZIP: the same files in one folder, the x86 library under x86\.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
top="$stage/Ferrimond-$version"
mkdir -p "$top/x86"
cp "$win/bin/Ferrimond.exe" "$win/bin/Ferrimond.html" "$win/bin/Almanix.dll" "$top/"
cp "$win32/bin/Almanix.dll" "$top/x86/"
zip="$out/Ferrimond-$version-portable.zip"
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" "Ferrimond-$version")
echo "$out/Ferrimond-Setup-$version.exe"
echo "$zip"
