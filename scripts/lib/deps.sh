# Installs the Debian packages the build and tests need; idempotent.
# Sourced by scripts/test, scripts/run and scripts/bench.

FERRIMOND_PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev
  xvfb xauth imagemagick locales
  nsis zip unzip file
)

# The x86 build of Almanix.dll and 32-bit Wine for its tests; wine32 needs
# the i386 architecture. A machine without them skips the x86 build.
FERRIMOND_X86_PACKAGES=(g++-mingw-w64-i686-posix wine32:i386)

# The apt log, one per user: root and a normal user may take turns here.
FERRIMOND_APT_LOG="${TMPDIR:-/tmp}/ferrimond-apt-$(id -u).log"

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
  local missing=() p
  for p in "${FERRIMOND_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Update the package lists only when the install cannot go ahead without it.
    if ! as_root apt-get install -y -q --no-install-recommends "${missing[@]}" >"$FERRIMOND_APT_LOG" 2>&1; then
      as_root apt-get update -q >>"$FERRIMOND_APT_LOG" 2>&1
      as_root apt-get install -y -q --no-install-recommends "${missing[@]}" >>"$FERRIMOND_APT_LOG" 2>&1 \
        || { cat "$FERRIMOND_APT_LOG"; return 1; }
    fi
  fi
  ensure_locale en_US.UTF-8
  # One test reads old logs in the double-byte code page 932 (Japanese).
  ensure_locale ja_JP.UTF-8 || echo "ja_JP.UTF-8 could not be generated: the code page 932 test will skip"
}

# Adds the i386 architecture when needed and installs the x86 packages;
# returns non-zero (with a message) when they cannot be had.
ensure_x86_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386 && as_root apt-get update -q >>"$FERRIMOND_APT_LOG" 2>&1
  fi
  ensure_packages "${FERRIMOND_X86_PACKAGES[@]}" || {
    echo "x86 build skipped: ${FERRIMOND_X86_PACKAGES[*]} could not be installed"
    return 1
  }
}

# Tests pin LC_ALL=en_US.UTF-8 (one ja_JP.UTF-8); a locale must exist for Wine to take it.
ensure_locale() {
  locale -a 2>/dev/null | grep -qix "${1/UTF-8/utf8}" && return 0
  as_root sed -i "s/^# *\($1 UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$1 UTF-8" /etc/locale.gen || echo "$1 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
}

# Configures and builds the Windows (cross) tree and the native portable tree.
FERRIMOND_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
FERRIMOND_WIN_BUILD="${FERRIMOND_BUILD_DIR:-$FERRIMOND_ROOT/build}/win"
FERRIMOND_NATIVE_BUILD="${FERRIMOND_BUILD_DIR:-$FERRIMOND_ROOT/build}/native"
FERRIMOND_WIN32_BUILD="${FERRIMOND_BUILD_DIR:-$FERRIMOND_ROOT/build}/win32"

build_windows() {
  cmake -S "$FERRIMOND_ROOT" -B "$FERRIMOND_WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$FERRIMOND_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$FERRIMOND_WIN_BUILD" -j"$(nproc)" "$@"
}

# The x86 configuration: Almanix.dll and the tests of its COM frame only.
build_windows32() {
  cmake -S "$FERRIMOND_ROOT" -B "$FERRIMOND_WIN32_BUILD" -DCMAKE_BUILD_TYPE=Release -DALMANIX_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE="$FERRIMOND_ROOT/cmake/mingw-w64-i686.cmake" >/dev/null
  cmake --build "$FERRIMOND_WIN32_BUILD" -j"$(nproc)" "$@"
}

build_native() {
  CC=clang CXX=clang++ cmake -S "$FERRIMOND_ROOT" -B "$FERRIMOND_NATIVE_BUILD" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$FERRIMOND_NATIVE_BUILD" -j"$(nproc)" "$@"
}
