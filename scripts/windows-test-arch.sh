#!/usr/bin/env bash
# Prints the Windows architecture whose tests this machine can run under Wine: i686 when
# its kernel executes 32-bit x86 programs, else x86_64 (64-bit Wine still works there).
# One line on standard error says which and why. ICOFORGE_WINDOWS_TEST_ARCH=i686|x86_64
# overrides the probe, so either path can be tried on any machine.
set -euo pipefail

case "${ICOFORGE_WINDOWS_TEST_ARCH-}" in
  i686|x86_64)
    echo "windows tests: $ICOFORGE_WINDOWS_TEST_ARCH (chosen by ICOFORGE_WINDOWS_TEST_ARCH)" >&2
    echo "$ICOFORGE_WINDOWS_TEST_ARCH"
    exit 0 ;;
  "") ;;
  *) echo "ICOFORGE_WINDOWS_TEST_ARCH must be i686 or x86_64, not '$ICOFORGE_WINDOWS_TEST_ARCH'" >&2; exit 2 ;;
esac

# A 96-byte static 32-bit ELF program that only calls exit(42). It needs no 32-bit
# library, so it answers for the kernel alone, before anything i386 is installed.
# It is written inside the checkout, since /tmp may be mounted noexec.
mkdir -p "$(dirname "$0")/../build"
probe=$(mktemp "$(dirname "$0")/../build/elf32-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
chmod 700 "$probe"
rc=0
why=$("$probe" 2>&1) || rc=$?
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
if [ "$rc" -eq 42 ] && ! installed wine32:i386 && installed wine64; then
  # scripts/install-deps.sh falls back to 64-bit Wine when the i386 packages cannot be had.
  echo "windows tests: x86_64 under 64-bit Wine (this kernel runs 32-bit programs, but only 64-bit Wine is installed); the i686 product is still built" >&2
  echo x86_64
elif [ "$rc" -eq 42 ]; then
  echo "windows tests: i686 under 32-bit Wine (this kernel runs 32-bit programs)" >&2
  echo i686
else
  echo "windows tests: x86_64 under 64-bit Wine (this kernel cannot run 32-bit programs: ${why:-exit $rc}); the i686 product is still built" >&2
  echo x86_64
fi
