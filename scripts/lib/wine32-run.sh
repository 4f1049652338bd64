#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine; exits 77 (a skipped test) with a
# message when 32-bit Wine (Debian's wine32:i386) is not installed.
for loader in /usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine; do
  if [ -x "$loader" ] && file -L "$loader" 2>/dev/null | grep -q "32-bit"; then
    exec "$loader" "$@"
  fi
done
echo "SKIPPED: 32-bit Wine is not installed (apt-get install wine32:i386 after dpkg --add-architecture i386)"
exit 77
