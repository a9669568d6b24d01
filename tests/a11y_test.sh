#!/usr/bin/env bash
# The real sumvane as a screen reader meets it: a private X server, a private D-Bus session with
# the accessibility bus, and the AT-SPI tree and events read through pyatspi (a11y_check.py).
#   a11y_test.sh APP
# Skips (77) only where the accessibility bus cannot start.
set -euo pipefail
app=$1
here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb xdotool dbus-run-session; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[[ -x "$launcher" ]] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
# pyatspi belongs to Debian's own Python, whatever python3 comes first on the PATH.
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

work=$(mktemp -d)
xvfb=
cleanup() { [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
source "$here/lib.sh"
product_facts
start_xvfb "$work/display"
xvfb=$xvfb_pid
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
fake_browser "$work"

export SUMVANE_APP=$app SUMVANE_OPENED="$work/opened" SUMVANE_PATH="$work/bin:$PATH"
export SUMVANE_HOMEPAGE_URL caption_pattern # the product's facts, for a11y_check.py
# Every helper started here writes to /dev/null: one holding the test's output open would keep
# the test from ending.
status=0
dbus-run-session -- bash -c '
  source "'"$here"'/lib.sh"
  bus_started() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
      >/dev/null && echo yes
  }
  "'"$launcher"'" --launch-immediately </dev/null >/dev/null 2>&1 &
  await 5 yes bus_started || { echo "SKIP: the accessibility bus did not start"; exit 77; }
  exec /usr/bin/python3 "'"$here"'/a11y_check.py"
' || status=$?
exit $status
