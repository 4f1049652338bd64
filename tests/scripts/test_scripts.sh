#!/usr/bin/env bash
# The steps of scripts/test with the builds and ctest replaced by stand-ins,
# and the 32-bit Wine check of wine32-run.sh:
#   test_scripts.sh SOURCE_DIR WORK_DIR
# A failed x86 build fails the run; every skip is named in one summary line;
# under CI=true a skip fails the run unless the README allows its reason.
set -u
src="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One scripts/test run in a subshell: $1 is the x86 build's result, $2 the
# gtest skip reason the Windows tree reports, the rest is the environment.
run() {
  local x86_result="$1" reason="$2"; shift 2
  (
    unset CI
    export FERRIMOND_BUILD_DIR="$work/build" "$@"
    source "$src/scripts/lib/deps.sh"
    source "$src/scripts/lib/test-run.sh"
    build_native() { :; }; build_windows() { :; }; test_ratio() { :; }
    ensure_x86_packages() { [ "$x86_result" != unavailable ]; }
    build_windows32() { [ "$x86_result" = ok ]; }
    ctest() {
      local dir="$2"; mkdir -p "$dir/Testing/Temporary"
      echo "$dir" >>"$work/ran"
      # CRASH_IN: the Windows tree's test_walk crashed there, and passes when run again.
      if [ -n "${CRASH_IN:-}" ] && [[ "$dir" == */win ]]; then
        [[ "$*" == *" -R "* ]] && { echo rerun >>"$work/ran"; return 0; }
        echo "1:test_walk" >"$dir/Testing/Temporary/LastTestsFailed.log"
        printf '%s\n' "1/1 Testing: test_walk" "=>0 0x2bb0bf183 handle_entry+0x1e(h=<x>) [gdiobj.c:93] in $CRASH_IN (0x0)" \
          >"$dir/Testing/Temporary/LastTest.log"
        return 8
      fi
      case "$dir" in
        */win) printf '%s\n' "1/2 Testing: test_walk" "[ RUN      ] WalkTest.Links" \
                 "/src/test_walk.cpp:315: Skipped" "$reason" "[  SKIPPED ] WalkTest.Links (3 ms)" \
                 "[  SKIPPED ] WalkTest.Links" "2/2 Testing: test_package" "SKIPPED: makensis is missing" ;;
        *) echo "1/1 Testing: test_ok" ;;
      esac >"$dir/Testing/Temporary/LastTest.log"
    }
    run_all_tests
  ) >"$work/out" 2>&1
}
summary() { grep '^skipped' "$work/out"; }

# A failed x86 build fails the run and runs no x86 suite.
run failed "cannot make a Unix symlink here" && fail "a failed x86 build passes"
grep -q "/win32$" "$work/ran" 2>/dev/null && fail "the x86 suite ran after its build failed"

# Every skip, of a test case or of a whole test program, is in one line with its reason.
run ok "cannot make a Unix symlink here" || { fail "a clean run fails"; cat "$work/out"; }
[ "$(summary | wc -l)" = 1 ] || fail "not one summary line: $(summary)"
summary | grep -q "win/test_walk/WalkTest.Links: cannot make a Unix symlink here" || fail "gtest skip not listed: $(summary)"
summary | grep -q "win/test_package: makensis is missing" || fail "ctest skip not listed: $(summary)"
run unavailable "x"
summary | grep -q "x86" || fail "an x86 suite that cannot be had is not listed: $(summary)"

# CI=true: a skip whose reason the README does not allow fails the run ...
run ok "cannot make a Unix symlink here" CI=true && fail "CI=true passes with the package test skipped"
grep -q "not allowed on CI: win/test_package" "$work/out" || fail "the refused skip is not named"
grep -q "not allowed on CI: win/test_walk" "$work/out" && fail "an allowed reason is refused on CI"
run unavailable "cannot make a Unix symlink here" CI=true && fail "CI=true passes without the x86 suite"

# ... and the reasons the README allows are the ones it lists.
allowed=$(source "$src/scripts/lib/deps.sh"; source "$src/scripts/lib/test-run.sh"; ci_allowed_reasons)
grep -qx "cannot make a Unix symlink here" <<<"$allowed" || fail "README allows no symlink skip: $allowed"
grep -qi "makensis" <<<"$allowed" && fail "README allows skipping the package test on CI"

# A test that crashed inside Wine's gdi32 runs once more, and the log says so;
# a crash anywhere else fails the run.
run ok x CRASH_IN=gdi32 || fail "a crash inside gdi32 fails the run after a good rerun"
grep -q "RERUN after a crash inside Wine: test_walk" "$work/out" || fail "the rerun is not named"
run ok x CRASH_IN=ntdll && fail "a crash in ntdll passes"
grep -q "RERUN" "$work/out" && fail "a crash in ntdll is run again"

# 32-bit Wine is found by its loader, with no `file` command on the PATH.
if [ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ]; then
  mkdir -p "$work/bin"
  for t in od head tr grep cat; do ln -sf "$(command -v $t)" "$work/bin/$t"; done
  PATH="$work/bin" /bin/bash "$src/scripts/lib/wine32-run.sh" --version >"$work/wine32" 2>&1
  grep -q '^wine' "$work/wine32" || fail "wine32-run.sh without file: $(cat "$work/wine32")"
fi

[ $failures = 0 ] && echo "all script checks passed"
[ $failures = 0 ]
