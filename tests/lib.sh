# Sourced by the test scripts: how a test fails, and what the end-to-end tests need to drive a
# real window in an X server of their own and to wait for a state, never for a time.

fail() { echo "FAIL: $*" >&2; exit 1; }
# A command that ends a script under errexit without a FAIL of its own names itself, so that a
# failed run always says where it stopped.
trap 'echo "FAIL: ${BASH_SOURCE[0]##*/} line $LINENO: \"$BASH_COMMAND\" exited with status $?" >&2' ERR

# start_xvfb FILE: starts an X server of its own (1280x800, kept between clients, no TCP), its
# display number in FILE and in DISPLAY, its process id in $xvfb_pid; returns once it has one.
# Its output goes to /dev/null: a helper holding a test's output open keeps the test from ending.
start_xvfb() {
  rm -f "$1"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -noreset -nolisten tcp 3>"$1" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  await 10 yes written "$1" || fail "Xvfb gave no display number"
  export DISPLAY=":$(cat "$1")"
}
written() { [[ -s "$1" ]] && echo yes; }

# fake_browser FOLDER: FOLDER/bin/xdg-open, a browser that only notes each address it is asked
# to open, a line each in FOLDER/opened. (Qt and Wine both hand web addresses to xdg-open.)
fake_browser() {
  mkdir -p "$1/bin"
  printf '#!/bin/sh\necho "$1" >>"%s/opened"\n' "$1" >"$1/bin/xdg-open"
  chmod +x "$1/bin/xdg-open"
  : >"$1/opened"
}

# await SECONDS EXPECTED COMMAND [ARGS...]
# Runs COMMAND again and again until what it prints is EXPECTED, for at most SECONDS; status 1
# when it never was. What it printed last is left in $awaited, for the failure's message; COMMAND
# finds there what it printed the time before (nothing the first time).
await() {
  local deadline=$((SECONDS + $1)) expected=$2
  shift 2
  awaited=
  while :; do
    awaited=$("$@" 2>/dev/null) || true
    [[ "$awaited" == "$expected" ]] && return 0
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# For await: "yes" once the process PID has ended.
ended() { kill -0 "$1" 2>/dev/null || echo yes; }

# What an X client sees of a window: WIDTHxHEIGHT once it is mapped and viewable, else nothing.
viewable_size() {
  xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 }
                           /Map State: IsViewable/ { v = 1 } END { if (v) print w "x" h }'
}

x_clipboard() { timeout 5 xclip -o -selection clipboard; }

# product_facts: the product's facts (cmake/ProductFacts.cmake) as shell variables
# (SUMVANE_VERSION, SUMVANE_HOMEPAGE_URL, SUMVANE_WINDOW_CAPTION, ...), and in $caption_pattern
# the window's caption as a pattern for xdotool search --name.
product_facts() {
  local name value
  while IFS== read -r name value; do
    declare -g "$name=$value"
  done < <(cmake -P "$(dirname "${BASH_SOURCE[0]}")/../cmake/ProductFacts.cmake")
  caption_pattern="^${SUMVANE_WINDOW_CAPTION//./\\.}\$"
}
