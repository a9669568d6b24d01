#!/usr/bin/env bash
# sumvane-lrc under valgrind memcheck: no invalid access, no uninitialised use, nothing lost,
# on valid, malformed and non-UTF-8 input, from the argument and from standard input.
#   memcheck_cli.sh SUMVANE_LRC
set -uo pipefail
tool=$1
command -v valgrind >/dev/null || { echo "SKIP: valgrind is not installed"; exit 77; }
memcheck=(valgrind -q --error-exitcode=99 --leak-check=full
          --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect)
failed=0
runs=0
check() { # expected-status description command...
  local want=$1 what=$2; shift 2
  runs=$((runs + 1))
  "$@" >/dev/null 2>"$log"
  local got=$?
  if ((got != want)); then
    echo "FAIL: $what: status $got, expected $want"; cat "$log"; failed=1
  fi
}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
check 0 "valid argument" "${memcheck[@]}" "$tool" "01 A0 7C FF 02"
check 1 "malformed argument" "${memcheck[@]}" "$tool" "01  02"
check 0 "check passes" "${memcheck[@]}" "$tool" --check "11 03 00 6B 00 03 7E"
check 2 "usage error" "${memcheck[@]}" "$tool" --frobnicate
check 0 "valid stdin" "${memcheck[@]}" "$tool" --field hex < <(printf '01 A0 7C FF 02\r\n')
check 1 "non-UTF-8 stdin" "${memcheck[@]}" "$tool" < <(printf '01 \xff\xfe')
check 1 "NUL on stdin" "${memcheck[@]}" "$tool" < <(printf '01\0 02')
check 0 "1 MiB on stdin" "${memcheck[@]}" "$tool" < <(python3 -c "print('7F ' * 349525, end='')")
check 2 "a directory as stdin" "${memcheck[@]}" "$tool" < /
check 2 "a directory as stdin, a frame per line" "${memcheck[@]}" "$tool" --lines < /
check 1 "a log with a bad frame" "${memcheck[@]}" "$tool" --lines --check --format modbus-ascii \
  < <(printf ':1103006B00037E\r\n:1103006B00037F\r\n:11030\r\n\xff\r\n')
check 1 "packed text with a flaw" "${memcheck[@]}" "$tool" --format packed "1103 006B"
check 1 "JSON lines of a log with invalid UTF-8" "${memcheck[@]}" "$tool" --json --lines --check \
  < <(printf '05 FB\n05\n\xff\n')
check 1 "frames built, one malformed" "${memcheck[@]}" "$tool" --append --lines --format c-array \
  < <(printf '{0x11, 0x03}\n0x1\n')
((failed == 0)) && echo "ok: memcheck clean on $runs runs"
exit $failed
