#!/usr/bin/env bash
# What each program needs from the system at load time.
#   imports_test.sh linux OBJDUMP PROGRAM...     no Qt among the shared libraries
#   imports_test.sh windows OBJDUMP PROGRAM...   no DLL beyond Windows' own
set -euo pipefail
platform=$1
objdump=$2
shift 2
# DLLs that every Windows installation has; a statically linked program needs no other.
windows_own='^(kernel32|user32|gdi32|shell32|comctl32|comdlg32|advapi32|ole32|oleaut32|msvcrt|uxtheme|oleacc|imm32|version|shlwapi|ws2_32)\.dll$'
failed=0
for program in "$@"; do
  case "$platform" in
    linux) needed=$("$objdump" -p "$program" | awk '$1 == "NEEDED" { print $2 }') ;;
    windows) needed=$("$objdump" -p "$program" | awk '/DLL Name:/ { print $3 }') ;;
    *) echo "unknown platform $platform" >&2; exit 2 ;;
  esac
  [[ -n "$needed" ]] || { echo "FAIL: $program: no imports read"; failed=1; continue; }
  for library in $needed; do
    lower=${library,,}
    if [[ "$platform" == linux && "$lower" == libqt* ]] ||
       [[ "$platform" == windows && ! "$lower" =~ $windows_own ]]; then
      echo "FAIL: $(basename "$program") needs $library"
      failed=1
    fi
  done
  echo "$(basename "$program") ($(stat -c %s "$program") bytes) imports: $(echo $needed)"
done
exit $failed
