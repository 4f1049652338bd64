#!/usr/bin/env bash
# Wine test fixture: "setup PREFIX" creates the prefix on first use (null
# display driver), starts a persistent wineserver and boots the prefix with
# all output detached, and mounts the small tmpfs used as a drive that really
# fills up. "cleanup PREFIX" stops the server and unmounts the tmpfs.
set -u
cmd="$1"; prefix="$2"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
tmpfs_dir="$(dirname "$prefix")/tmpfs-removable"
tmpfs_size="${FERRIMOND_TMPFS_SIZE:-256k}"

create_prefix() {
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.ferrimond-ready" ]; then
    rm -rf "$prefix"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    "$WINESERVER" -w
    touch "$prefix/.ferrimond-ready"
  fi
  flock -u 9
}

case "$cmd" in
  setup)
    create_prefix
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    "$WINE" wineboot >/dev/null 2>&1 </dev/null
    # A crash prints Wine's backtrace and ends the process, instead of
    # waiting on a crash dialogue that no one sees until the test times out
    # (set at every start: prefixes made before this stay in use).
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
    mkdir -p "$tmpfs_dir"
    rm -f "$tmpfs_dir.mounted"
    if mountpoint -q "$tmpfs_dir" || mount -t tmpfs -o "size=$tmpfs_size" tmpfs "$tmpfs_dir" 2>/dev/null; then
      echo "$tmpfs_size" > "$tmpfs_dir.mounted"
    fi
    exit 0 ;;
  cleanup)
    "$WINESERVER" -k >/dev/null 2>&1 </dev/null
    mountpoint -q "$tmpfs_dir" && umount "$tmpfs_dir"
    rm -f "$tmpfs_dir.mounted"
    exit 0 ;;
esac
echo "usage: $0 setup|cleanup PREFIX" >&2; exit 2
