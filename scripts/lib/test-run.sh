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

# The skip reasons allowed on CI: the `quoted` start of each item of the
# README's "Skips allowed on CI" list.
ci_allowed_reasons() {
  sed -n '/^### Skips allowed on CI/,/^#/p' "$FERRIMOND_ROOT/README.md" | sed -n 's/^- `\([^`]*\)`.*/\1/p'
}

# One line naming every skip; with CI=true, each skip whose reason starts
# with none of the allowed ones is named again and fails the run.
report_skips() {
  local all=("${FERRIMOND_SKIPS[@]}") line allowed refused=0 ok reason
  while IFS= read -r line; do all+=("$line"); done < <(for b in "$@"; do ctest_skips "$b" "$(basename "$b")"; done)
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
  ctest --test-dir "$FERRIMOND_WIN_BUILD" --output-on-failure -j2 || status=1
  ran+=("$FERRIMOND_WIN_BUILD")
  if [ $x86 = 1 ]; then
    echo "== x86 build of Almanix.dll under 32-bit Wine"
    ctest --test-dir "$FERRIMOND_WIN32_BUILD" --output-on-failure -j2 || status=1
    ran+=("$FERRIMOND_WIN32_BUILD")
  fi
  echo "== size of the tests"
  test_ratio
  report_skips "${ran[@]}" || status=1
  return $status
}
