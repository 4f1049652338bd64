# The steps of scripts/test, after deps.sh: build every tree, run its tests,
# and account for every skip. Sourced; run_all_tests returns non-zero when a
# build or a test fails, or, with CI=true, when something was skipped for a
# reason the README does not allow on CI.

FERRIMOND_SKIPS=()

# skipped WHAT WHY: a whole suite or step that did not run.
skipped() {
  FERRIMOND_SKIPS+=("$1: $2")
  echo "SKIPPED: $1: $2"
}

# Prints "LABEL/test: why" for each test program that skipped as a whole
# (it prints "SKIPPED: why" and exits 77) and "LABEL/test/Case: why" for
# each GoogleTest case that skipped, from the last ctest run in BUILD.
ctest_skips() {
  local log="$1/Testing/Temporary/LastTest.log"
  [ -f "$log" ] || return 0
  awk -v label="$2" '
    match($0, /^[0-9]+\/[0-9]+ Testing: /) { test = substr($0, RLENGTH + 1); why = ""; next }
    /^SKIPPED: / { print label "/" test ": " substr($0, 10); next }
    /:[0-9]+: Skipped$/ { if ((getline why) <= 0) why = ""; next }
    /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ {
      print label "/" test "/" $4 ": " (why == "" ? "no reason given" : why); why = ""
    }' "$log"
}

# The failed tests of the last ctest run in BUILD, one per line, when each
# of them died of the crash inside Wine seen once on CI (a process whose
# GDI handle table Wine had not set up faulted in gdi32 at its first drawing
# call): the top frame of Wine's backtrace in gdi32 or win32u, and no crash
# of the same test elsewhere. Nothing when any failed test failed otherwise.
wine_crashes() {
  local tmp="$1/Testing/Temporary"
  [ -f "$tmp/LastTestsFailed.log" ] || return 0
  awk '
    FNR == NR { sub(/^[0-9]+:/, ""); failed[$0] = 1; next }
    match($0, /^[0-9]+\/[0-9]+ Testing: /) { test = substr($0, RLENGTH + 1); next }
    /^=>0 / {
      # The module is named last: " in gdi32 (0x...)".
      module = ""
      for (line = $0; match(line, / in [^ ]+ \(/); line = substr(line, RSTART + RLENGTH))
        module = tolower(substr(line, RSTART + 4, RLENGTH - 6))
      if (module ~ /^(gdi32|win32u)$/) wine[test] = 1; else other[test] = 1
    }
    END {
      for (t in failed) if (!(t in wine) || (t in other)) exit
      for (t in failed) print t
    }' "$tmp/LastTestsFailed.log" "$tmp/LastTest.log"
}

# After a failed ctest run in BUILD: runs again, once, the tests that
# wine_crashes names, saying so; fails when there are none or they fail again.
rerun_wine_crashes() {
  local tmp="$1/Testing/Temporary" crashed rc
  crashed=$(wine_crashes "$1")
  [ -n "$crashed" ] || return 1
  echo "RERUN after a crash inside Wine: $(echo $crashed)"
  cp "$tmp/LastTest.log" "$tmp/LastTest.first.log"
  ctest --test-dir "$1" --output-on-failure --no-tests=error -R "^($(paste -sd'|' <<<"$crashed"))\$"
  rc=$?
  cat "$tmp/LastTest.first.log" >>"$tmp/LastTest.log"
  return $rc
}

# The skip reasons allowed on CI: the `quoted` start of each item of the
# README's "Skips allowed on CI" list.
ci_allowed_reasons() {
  sed -n '/^### Skips allowed on CI/,/^#/p' "$FERRIMOND_ROOT/README.md" | sed -n 's/^- `\([^`]*\)`.*/\1/p'
}

# One line naming every skip; with CI=true, each skip whose reason starts
# with none of the allowed ones is named again and fails the run.
report_skips() {
  local all=("${FERRIMOND_SKIPS[@]}") line allowed refused=0 ok reason
  while IFS= read -r line; do all+=("$line"); done < <(for b in "$@"; do ctest_skips "$b" "$(basename "$b")"; done | sort -u)
  if [ ${#all[@]} = 0 ]; then echo "skipped: nothing"; return 0; fi
  (IFS=';'; echo "skipped (${#all[@]}):${all[*]/#/ }")
  [ "${CI:-}" = true ] || return 0
  allowed=$(ci_allowed_reasons)
  for line in "${all[@]}"; do
    reason="${line#*: }"; ok=0
    while IFS= read -r a; do [ -n "$a" ] && [[ "$reason" == "$a"* ]] && ok=1; done <<<"$allowed"
    [ $ok = 1 ] || { echo "not allowed on CI: $line"; refused=1; }
  done
  return $refused
}

test_ratio() { bash "$FERRIMOND_ROOT/scripts/test-ratio"; }

# The configure step as on Windows, where there is no Wine: Wine's folders
# are hidden (an empty file system over each, in a mount namespace of its
# own) and the IDL files and stdole2.tlb lie where MinGW and Windows keep
# them. A path the configure takes for granted on Linux fails it here.
# Returns non-zero when the configure fails; where mounting is refused or
# the Debian files it lays out are missing, the check is skipped.
windows_layout_configure() {
  local layout="${FERRIMOND_BUILD_DIR:-$FERRIMOND_ROOT/build}/windows-layout" ns d hidden=()
  if unshare -m true 2>/dev/null; then ns=(unshare -m)
  elif unshare -rm true 2>/dev/null; then ns=(unshare -rm)
  else skipped "configure without Wine's folders" "cannot hide Wine's folders here (no mount namespace)"; return 0
  fi
  local idl=/usr/include/wine/wine/windows tlb=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/stdole2.tlb
  if ! compgen -G "$idl/*.idl" >/dev/null || [ ! -f "$tlb" ]; then
    skipped "configure without Wine's folders" "no Wine IDL files or stdole2.tlb to lay out (libwine-dev, wine64)"; return 0
  fi
  rm -rf "$layout"
  mkdir -p "$layout/mingw64/include" "$layout/Windows/System32"
  cp "$idl"/*.idl "$layout/mingw64/include/"
  cp "$tlb" "$layout/Windows/System32/"
  for d in /usr/share/wine /usr/include/wine /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /usr/lib/i386-linux-gnu/wine; do
    [ -d "$d" ] && hidden+=("$d")
  done
  echo "== configure with a Windows-like path layout (no Wine folders)"
  SystemRoot="$layout/Windows" "${ns[@]}" bash -c '
    for d in "${@:4}"; do mount -t tmpfs none "$d" || exit 99; done
    cmake -S "$1" -B "$2/build" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_PREFIX_PATH="$2/mingw64" >"$2/configure.log" 2>&1 || { cat "$2/configure.log"; exit 1; }
    grep -qx "ALMANIX_STDOLE_DIR:PATH=$3" "$2/build/CMakeCache.txt" || { echo "stdole2.tlb not taken from $3"; exit 1; }
  ' _ "$FERRIMOND_ROOT" "$layout" "$layout/Windows/System32" "${hidden[@]}"
  case $? in
    0) ;;
    99) skipped "configure without Wine's folders" "cannot hide Wine's folders here (mounting refused)" ;;
    *) echo "FAILED: the configure with a Windows-like path layout"; return 1 ;;
  esac
}

run_all_tests() {
  local status=0 x86=0 ran=()
  build_native || return 1
  build_windows || return 1
  if ensure_x86_packages; then
    if build_windows32; then
      x86=1
    else
      # Nothing may pack or test what an earlier build left.
      echo "FAILED: the x86 build of Almanix.dll"
      rm -f "$FERRIMOND_WIN32_BUILD/bin/Almanix.dll"
      status=1
    fi
  else
    skipped "x86 suite" "32-bit Wine and the x86 compiler could not be installed"
  fi

  echo "== native build of the portable logic (sanitizers, fuzzing)"
  ctest --test-dir "$FERRIMOND_NATIVE_BUILD" --output-on-failure -j2 || status=1
  ran+=("$FERRIMOND_NATIVE_BUILD")
  echo "== Windows build under Wine"
  ctest --test-dir "$FERRIMOND_WIN_BUILD" --output-on-failure -j2 || rerun_wine_crashes "$FERRIMOND_WIN_BUILD" || status=1
  ran+=("$FERRIMOND_WIN_BUILD")
  if [ $x86 = 1 ]; then
    echo "== x86 build of Almanix.dll under 32-bit Wine"
    ctest --test-dir "$FERRIMOND_WIN32_BUILD" --output-on-failure -j2 || rerun_wine_crashes "$FERRIMOND_WIN32_BUILD" || status=1
    ran+=("$FERRIMOND_WIN32_BUILD")
  fi
  echo "== size of the tests"
  test_ratio || status=1
  report_skips "${ran[@]}" || status=1
  return $status
}
