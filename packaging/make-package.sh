#!/usr/bin/env bash
# Makes the setup program and the portable ZIP from finished builds:
#   make-package.sh WIN_BUILD WIN32_BUILD OUTDIR
# WIN_BUILD holds bin/Ferrimond.exe, bin/Ferrimond.html, bin/Almanix.dll and
# generated/version.nsh; WIN32_BUILD holds bin/Almanix.dll (x86).
# Writes OUTDIR/Ferrimond-Setup-<version>.exe and
# OUTDIR/Ferrimond-<version>-portable.zip, and prints their paths. With
# FERRIMOND_SIGN_COMMAND set, every program file is signed before it is packed
# (see sign below), and the setup program after it is made.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
win="$(cd "$1" && pwd)"; win32="$(cd "$2" && pwd)"; mkdir -p "$3"; out="$(cd "$3" && pwd)"

for f in "$win/bin/Ferrimond.exe" "$win/bin/Ferrimond.html" "$win/bin/Almanix.dll" \
         "$win/generated/version.nsh" "$win32/bin/Almanix.dll"; do
  [ -f "$f" ] || { echo "missing: $f (build first)" >&2; exit 1; }
done
version=$(sed -n 's/^!define FERRIMOND_VERSION "\(.*\)"$/\1/p' "$win/generated/version.nsh")
[ -n "$version" ] || { echo "no version in $win/generated/version.nsh" >&2; exit 1; }

# Signs a program file in place with $FERRIMOND_SIGN_COMMAND (a shell command
# that gets the file's path as its last argument), when that is set.
if [ -z "${FERRIMOND_SIGN_COMMAND:-}" ]; then
  echo "FERRIMOND_SIGN_COMMAND is not set: the programs are not signed" >&2
fi
sign() {
  [ -n "${FERRIMOND_SIGN_COMMAND:-}" ] || return 0
  bash -c "$FERRIMOND_SIGN_COMMAND \"\$1\"" sign "$1" >&2 || { echo "signing failed: $1" >&2; exit 1; }
}
nsis() { makensis -V2 -NOCD -DSRCDIR="$src" -DVERSION_NSH="$win/generated/version.nsh" "$@" >&2; }

# Every program file is copied into one folder, the portable copy's layout
# (the x86 library under x86\), and signed there before it is packed; the
# uninstaller is made first, signed and packed into Uninstall.exe.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
top="$stage/Ferrimond-$version"
mkdir -p "$top/x86"
cp "$win/bin/Ferrimond.exe" "$win/bin/Ferrimond.html" "$win/bin/Almanix.dll" "$top/"
cp "$win32/bin/Almanix.dll" "$top/x86/"
for f in "$top/Ferrimond.exe" "$top/Almanix.dll" "$top/x86/Almanix.dll"; do sign "$f"; done
nsis -DUNINSTALLER="$stage/Ferrimond-Uninstall.exe" -DOUTDIR="$stage" "$src/packaging/uninstaller.nsi"
sign "$stage/Ferrimond-Uninstall.exe"
nsis -DREAL_UNINSTALLER="$stage/Ferrimond-Uninstall.exe" -DOUTFILE="$stage/Uninstall.exe" "$src/packaging/uninstall.nsi"
sign "$stage/Uninstall.exe"
setup="$out/Ferrimond-Setup-$version.exe"
# The size the list of installed programs shows, in KiB.
kib=$(( ($(cat "$top/Ferrimond.exe" "$top/Ferrimond.html" "$top/Almanix.dll" "$top/x86/Almanix.dll" \
            "$stage/Uninstall.exe" | wc -c) + 1023) / 1024 ))
nsis -DINSTALLED_KIB="$kib" -DBIN64="$top" -DALMANIX_X86="$top/x86/Almanix.dll" -DUNINSTALL_EXE="$stage/Uninstall.exe" -DOUTDIR="$out" \
  "$src/packaging/ferrimond.nsi"
sign "$setup"

zip="$out/Ferrimond-$version-portable.zip"
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" "Ferrimond-$version")
echo "$setup"
echo "$zip"
