# Sourced by the end-to-end tests, which wait for a state, never for a time:
#   await SECONDS EXPECTED COMMAND [ARGS...]
# Runs COMMAND again and again until what it prints is EXPECTED, for at most SECONDS; status 1
# when it never was. What it printed last is left in $awaited, for the failure's message.
await() {
  local deadline=$((SECONDS + $1)) expected=$2
  shift 2
  while :; do
    awaited=$("$@" 2>/dev/null) || true
    [[ "$awaited" == "$expected" ]] && return 0
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# What an X client sees of a window: WIDTHxHEIGHT once it is mapped and viewable, else nothing.
viewable_size() {
  xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 }
                           /Map State: IsViewable/ { v = 1 } END { if (v) print w "x" h }'
}

x_clipboard() { timeout 5 xclip -o -selection clipboard; }
