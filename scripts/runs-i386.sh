#!/usr/bin/env bash
# Exit status 0 when this machine executes a 32-bit x86 (i386) Linux program: natively, or
# through an emulator registered with the kernel. A kernel built without IA32 emulation answers
# "Exec format error", and then no 32-bit Wine can run here either.
#   scripts/runs-i386.sh
set -euo pipefail
# In the project's own cache, not /tmp, which may be mounted without execute permission.
cache="$(dirname "$0")/../.cache"
mkdir -p "$cache"
probe=$(mktemp -p "$cache" i386-probe.XXXXXX)
trap 'rm -f "$probe"' EXIT
# The smallest static i386 program: an ELF header, one loadable segment, and exit(7) through
# int 0x80, so that only a program that really ran gives status 7.
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
  '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
  '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
  '\x31\xc0\x40\x31\xdb\xb3\x07\xcd\x80' >"$probe"
chmod +x "$probe"
status=0
"$probe" 2>/dev/null || status=$?
((status == 7))
