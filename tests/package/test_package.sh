#!/usr/bin/env bash
# The setup program and the portable ZIP in a fresh Wine prefix of their own
# (each "==" line below names a scenario):
#   test_package.sh SOURCE_DIR WIN_BUILD WIN32_BUILD PROBE_EXE WORK_DIR
# Exits 77 (skipped) when makensis, zip, 32-bit Wine or the x86 build is missing.
set -u
abs() { case "$1" in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
src=$(abs "$1"); win=$(abs "$2"); win32=$(abs "$3"); probe=$(abs "$4"); work=$(abs "$5")

skip() { echo "SKIPPED: $*"; exit 77; }
command -v makensis >/dev/null || skip "makensis is not installed (apt-get install nsis)"
command -v zip >/dev/null && command -v unzip >/dev/null || skip "zip/unzip are not installed"
[ -f "$win32/bin/Almanix.dll" ] || skip "no x86 build of Almanix.dll in $win32 (scripts/test builds it)"
"$src/scripts/lib/wine32-run.sh" --version >/dev/null 2>&1 ||
  skip "32-bit Wine is not installed (the setup program is a 32-bit program)"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what="$1"; shift; "$@" || fail "$what"; }
exits() { local want="$1" what="$2" rc; shift 2; "$@"; rc=$?; check "$what exits $want (got $rc)" test $rc = "$want"; }

rm -rf "$work"; mkdir -p "$work"
FERRIMOND_SIGN_COMMAND="echo >>'$work/signed'" \
  "$src/packaging/make-package.sh" "$win" "$win32" "$work/out" >"$work/made" || { echo "FAIL: packaging"; exit 1; }
setup=$(sed -n 1p "$work/made"); zipfile=$(sed -n 2p "$work/made")
version=$(sed -n 's/^!define FERRIMOND_VERSION "\(.*\)"$/\1/p' "$win/generated/version.nsh")
check "every program file is signed, the uninstaller too" test "$(sed 's#.*/##' "$work/signed" | LC_ALL=C sort | xargs)" \
  = "Almanix.dll Almanix.dll Ferrimond-Setup-$version.exe Ferrimond-Uninstall.exe Ferrimond.exe Uninstall.exe"

# An older release to upgrade from: the same programs, each with a byte more
# so that a file left old is told apart, under version 0.9.
old="$work/old"; mkdir -p "$old/win/bin" "$old/win/generated" "$old/win32/bin"
for f in Ferrimond.exe Ferrimond.html Almanix.dll; do cp "$win/bin/$f" "$old/win/bin/"; echo >>"$old/win/bin/$f"; done
cp "$win32/bin/Almanix.dll" "$old/win32/bin/"; echo >>"$old/win32/bin/Almanix.dll"
printf '!define FERRIMOND_VERSION "0.9"\n!define FERRIMOND_VERSION_QUAD "0.9.0.0"\n' >"$old/win/generated/version.nsh"
"$src/packaging/make-package.sh" "$old/win" "$old/win32" "$old/out" >"$old/made" || { echo "FAIL: packaging the older release"; exit 1; }
old_setup=$(sed -n 1p "$old/made")

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=en_US.UTF-8
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
trap '"$WINESERVER" -k >/dev/null 2>&1' EXIT
boot() { "$WINESERVER" -w; "$WINESERVER" -p >/dev/null 2>&1 </dev/null; "$WINE" wineboot >/dev/null 2>&1 </dev/null; }
"$WINE" wineboot -i >/dev/null 2>&1 </dev/null
"$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
"$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
boot  # the display driver is chosen when the prefix boots

c="$WINEPREFIX/drive_c"
prog="$c/Program Files/Ferrimond"
prog32="$c/Program Files (x86)/Ferrimond"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ferrimond"
installed=("$prog/Ferrimond.exe" "$prog/Ferrimond.html" "$prog/Almanix.dll" "$prog/Uninstall.exe"
           "$prog32/Almanix.dll" "$menu/Ferrimond.lnk")
ukey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferrimond'

wine_() { "$WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The value of a registry value in the given view (64 or 32), empty when missing.
regval() { wine_ reg query "$1" /v "$2" /reg:"$3" | sed -n "s/^ *$2 *REG_[A-Z]* *//p"; }
regdef() { wine_ reg query "$1" /ve /reg:"$2" | sed -n 's/^ *(Default) *REG_[A-Z]* *//p'; }
clsid64() { regdef 'HKCR\Almanix.DatePicker\CLSID' 64; }
server() { regdef "HKLM\\Software\\Classes\\CLSID\\$1\\InprocServer32" "$2"; }
quiet() { "$WINE" "$@" </dev/null >/dev/null 2>&1; }
install() { quiet "$setup" /S "$@"; }
install_old() { quiet "$old_setup" /S "$@"; }
# A spaced /D= reaches the setup whole only through cmd.
install_cmd() { quiet cmd /c "$(wine_ winepath -w "$1") /S $2"; }
# Uninstall.exe ends with the uninstall's exit code; it is removed itself
# right after it has ended, and then the folder when no file is left.
cleaned_up() {
  for _ in $(seq 50); do [ -e "$1/Uninstall.exe" ] || { [ -e "$1" ] && [ -z "$(find "$1" -type f)" ]; } || break; sleep 0.1; done
}
uninstall_from() { local rc; quiet "$(wine_ winepath -w "$1")\\Uninstall.exe" /S "${@:2}"; rc=$?; cleaned_up "$1"; return $rc; }
uninstall() { uninstall_from "$prog" "$@"; }
data=(LastBackupT.tim LastUploadT.tim default.log log/12_7_2026.txt SavedFileVersion/Users/a/f.txt)
make_data() { for f in "${data[@]}"; do mkdir -p "$(dirname "$prog/$f")"; echo kept >"$prog/$f"; done; }
data_kept() { for f in "${data[@]}"; do [ -f "$prog/$f" ] || return 1; done; }
all_there() { for f in "$@"; do [ -f "$f" ] || return 1; done; }
# The probe's report (shown, and kept in $out) and its exit code.
probe() { local rc; out=$("$WINE" "$probe" "$@" </dev/null 2>/dev/null); rc=$?; out=${out//$'\r'/}; echo "$out"; return $rc; }
# Ferrimond.exe $1 opens with its date picker from the library $2 and ends ($3
# says when), the other arguments run meanwhile.
opens() { probe "$1" "${@:4}" && grep -qixF "library: $2" <<<"$out" || fail "$1 opens with its date picker from $2 and ends, $3"; }
portable_runs() { opens "C:\\Ferrimond-$version\\Ferrimond.exe" "C:\\Ferrimond-$version\\Almanix.dll" "$1"; }

echo "== a registration that cannot start undoes the install"
regsvr=("$c/windows/system32/regsvr32.exe" "$c/windows/syswow64/regsvr32.exe")
for f in "${regsvr[@]}"; do mv "$f" "$f.away"; done
exits 4 "setup /S without regsvr32" install
for f in "${regsvr[@]}"; do mv "$f.away" "$f"; done
check "no folder and no uninstall entry is left" test ! -e "$prog" -a ! -e "$prog32" -a ! -e "$menu" -a -z "$(regval "$ukey" DisplayName 64)"
mkdir -p "$c/Foreign"; echo foreign >"$c/Foreign/Uninstall.exe"
exits 10 "setup /S into a folder with another program's Uninstall.exe" install '/D=C:\Foreign'
check "that Uninstall.exe is kept" grep -qx foreign "$c/Foreign/Uninstall.exe"
exits 11 "setup /S into the 32-bit Program Files" install_cmd "$setup" '/D=C:\Program Files (x86)\Ferrimond'

echo "== install (the older release)"
exits 0 "setup /S" install_old
check "installed: ${installed[*]}" all_there "${installed[@]}"
check "the x64 and x86 libraries are the x64 and x86 builds" \
  cmp -s <(cat "$prog/Almanix.dll" "$prog32/Almanix.dll") <(cat "$old/win/bin/Almanix.dll" "$old/win32/bin/Almanix.dll")
clsid=$(clsid64)
s64=$(server "$clsid" 64); s32=$(server "$clsid" 32)
check "the 64- and 32-bit views name the x64 and x86 libraries (got '$s64', '$s32')" \
  test "${s64,,}|${s32,,}" = 'c:\program files\ferrimond\almanix.dll|c:\program files (x86)\ferrimond\almanix.dll'
entry="$(regval "$ukey" DisplayVersion 64)|$(regval "$ukey" QuietUninstallString 64)|$(regval "$ukey" DisplayName 32)"
check "the uninstall entry, in the 64-bit view only, has the version and the silent uninstall (got $entry)" \
  test "$entry" = '0.9|"C:\Program Files\Ferrimond\Uninstall.exe" /S|'

echo "== the portable ZIP beside the older release"
(cd "$c" && unzip -q "$zipfile") || fail "unzip"
portable_runs "an older one registered"

echo "== a lone copy of the program, and a setup and an uninstall started while it runs"
mkdir -p "$c/Lone"; cp "$c/Ferrimond-$version/Ferrimond.exe" "$c/Lone/"
setup_win=$(wine_ winepath -w "$setup")
opens 'C:\Lone\Ferrimond.exe' 'C:\Program Files\Ferrimond\Almanix.dll' "the registered one" \
  "\"$setup_win\" /S" '"C:\Program Files\Ferrimond\Uninstall.exe" /S'
check "a setup and an uninstall over the running program exit 2" test "$(grep -cx "while open: exit 2" <<<"$out")" = 2
check "the refused uninstall removed nothing" all_there "$prog/Ferrimond.exe" "$prog/Uninstall.exe"

echo "== upgrade while a host holds the library"
make_data
probe --hold 'C:\Program Files\Ferrimond\Almanix.dll' "\"$setup_win\" /S"
check "the upgrade over a library in use exits 3010" grep -qx "while loaded: exit 3010" <<<"$out"
check "the program and the x86 library are the new build" \
  cmp -s <(cat "$prog/Ferrimond.exe" "$prog32/Almanix.dll") <(cat "$win/bin/Ferrimond.exe" "$win32/bin/Almanix.dll")
check "DisplayVersion and the user guide name the version $version" \
  test "$(regval "$ukey" DisplayVersion 64)|$(grep -c "<h1>Ferrimond $version</h1>" "$prog/Ferrimond.html")" = "$version|1"
check "the data survives an upgrade" data_kept
check "still registered after the upgrade" test -n "$(server "$clsid" 64)" -a -n "$(server "$clsid" 32)"
"$WINESERVER" -k; "$WINE" wineboot -r >/dev/null 2>&1 </dev/null; boot
check "after a restart the x64 library is the new build" cmp -s "$prog/Almanix.dll" "$win/bin/Almanix.dll"

echo "== the older release does not downgrade silently"
exits 5 "the older setup /S" install_old

echo "== uninstall, by a copy of Uninstall.exe given the folder with _?="
mkdir -p "$c/tool"; cp "$prog/Uninstall.exe" "$c/tool/"
tool() { quiet 'C:\tool\Uninstall.exe' /S "$@"; }
exits 6 "a caller's /CLEANUP" tool /CLEANUP '_?=C:\Foreign'
exits 6 "a caller's /CLEANUP behind a quote and a second _?=" tool 'x"' '_?=/CLEANUP' '_?=C:\Foreign'
check "another program's Uninstall.exe is kept" grep -qx foreign "$c/Foreign/Uninstall.exe"
exits 7 "the copy pointed at a folder without Ferrimond" tool '_?=C:\tool'
exits 0 "the uninstall" tool '_?=C:\Program Files\Ferrimond'
cleaned_up "$prog"
check "the copy is left alone" test -f "$c/tool/Uninstall.exe"
for f in "${installed[@]}" "$prog32" "$menu"; do check "removed: $f" test ! -e "$f"; done
check "both registrations, the ProgID and the uninstall entry removed" \
  test -z "$(server "$clsid" 64)$(server "$clsid" 32)$(clsid64)$(regval "$ukey" DisplayName 64)"
check "the user's data is kept" data_kept

echo "== portable ZIP, unregistered"
portable_runs unregistered
check "the portable run registered nothing" test -z "$(clsid64)"

echo "== uninstall /REMOVEDATA"
install
exits 0 "uninstall /REMOVEDATA" uninstall /REMOVEDATA
check "/REMOVEDATA removes the data and the program folder" test ! -e "$prog"

echo "== a copy moved with /D=, upgraded where it is, and its uninstall"
apps="$c/Apps/Ferrimond"
install_old
exits 0 "/D= naming the installed copy's folder another way (no move)" \
  install_cmd "$old_setup" '/D=C:\Program Files\.\Ferrimond.'
check "the copy stays in its folder" all_there "$prog/Ferrimond.exe" "$prog/Uninstall.exe"
mv "$prog/Uninstall.exe" "$work/Uninstall.exe"; cp "$probe" "$prog/Uninstall.exe"
exits 9 "a move whose old uninstaller fails" install_old '/D=C:\Apps\Ferrimond'
check "the old copy and its uninstaller stay, nothing goes to the new folder" \
  test -f "$prog/Uninstall.exe" -a -f "$prog/Ferrimond.exe" -a ! -e "$apps/Ferrimond.exe"
mv -f "$work/Uninstall.exe" "$prog/Uninstall.exe"
exits 0 "moving the copy with /D=" install_old '/D=C:\Apps\Ferrimond'
exits 0 "the upgrade" install
check "the upgrade replaced the copy in its own folder and made no second one" \
  cmp -s <(cat "$apps/Ferrimond.exe" "$prog/Ferrimond.exe" 2>/dev/null) "$win/bin/Ferrimond.exe"
exits 0 "its uninstall" uninstall_from "$apps"
check "its folder, the empty log folder and its parent are removed" test ! -e "$apps" -a ! -e "$prog"

[ $failures = 0 ] && echo "all package checks passed" || echo "$failures check(s) failed"
[ $failures = 0 ]
