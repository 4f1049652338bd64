#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine; exits 77 (a skipped test) with a
# message when 32-bit Wine (Debian's wine32:i386) is not installed. The
# loader is judged by its own ELF header (class byte 1: 32-bit).
for loader in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine; do
  if [ -x "$loader" ] && [ "$(od -An -tx1 -j4 -N1 "$loader" 2>/dev/null | tr -d ' \n')" = 01 ]; then
    exec "$loader" "$@"
  fi
done
echo "SKIPPED: 32-bit Wine is not installed (apt-get install wine32:i386 after dpkg --add-architecture i386)"
exit 77
