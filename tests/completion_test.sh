#!/usr/bin/env bash
# The bash completion of sumvane-lrc, run in bash as it completes a command line: the format and
# field names, and every option that --help lists.
#   completion_test.sh COMPLETION_FILE SUMVANE_LRC
set -uo pipefail
completion=$1 tool=$2
failed=0
offers() { # the words of a command line, the last being completed -> the offers, one line
  bash --norc --noprofile -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _sumvane_lrc; ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$completion" "$@"
}
expect() { # expected offers, then the words
  local want=$1 got; shift
  got=$(offers "$@")
  if [[ "$got" != "$want" ]]; then
    echo "FAIL: completing '$*': offered '$got', expected '$want'"; failed=1
  fi
}
expect "c-array colon modbus-ascii packed spaced " sumvane-lrc --format ""
expect "modbus-ascii " sumvane-lrc --lines --format m
expect "c-array colon " sumvane-lrc --format = c
expect "binary bytes decimal hex octal " sumvane-lrc --field =
expect "--field --format " sumvane-lrc --f
expect "" sumvane-lrc --format spaced 01
expect "even " sumvane-lrc --port /dev/ttyUSB0 --parity e
expect "7 8 " sumvane-lrc --data-bits ""
expect "1 2 " sumvane-lrc --stop-bits =
expect "115200 " sumvane-lrc --baud 1152
# Only ports that exist: none matches a prefix that no device has.
expect "" sumvane-lrc --port /dev/ttyUSB-none-such
# Every option of the help, and nothing else, for a lone dash.
help_options=$("$tool" --help | grep -o -E '^  (-h, )?--[a-z-]+' | sed -E 's/^  (-h, )?//' | sort | tr '\n' ' ')
expect "$help_options" sumvane-lrc -
[[ $(bash --norc -c 'source "$1"; complete -p sumvane-lrc' _ "$completion") == \
   "complete -F _sumvane_lrc sumvane-lrc" ]] || { echo "FAIL: not registered for sumvane-lrc"; failed=1; }
((failed == 0)) && echo "ok: bash completes formats, fields and the $(wc -w <<<"$help_options") options of --help"
exit $failed
