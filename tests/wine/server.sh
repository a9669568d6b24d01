#!/usr/bin/env bash
# Starts or ends the Wine of one private prefix, so that the tests that use it share one
# wineserver instead of starting one each:
#   server.sh start PREFIX     creates the prefix when missing, then keeps its wineserver up,
#                              with an X server (Xvfb) of its own for the windows
#   server.sh stop PREFIX      ends that prefix's wineserver (and so its programs) and its X
#                              server, no other
set -euo pipefail
action=$1
source "$(dirname "$0")/env.sh" "$2"
source "$(dirname "$0")/../lib.sh"
case "$action" in
  start)
    mkdir -p "$WINEPREFIX"
    # One X server for every program of this prefix; run.sh reads its display from here.
    if ! { [[ -f "$WINEPREFIX/xvfb.pid" ]] && kill -0 "$(cat "$WINEPREFIX/xvfb.pid")" 2>/dev/null; }; then
      start_xvfb "$WINEPREFIX/display"
      echo "$xvfb_pid" >"$WINEPREFIX/xvfb.pid"
    fi
    export DISPLAY=":$(cat "$WINEPREFIX/display")"
    # Persistent, with its output on /dev/null: its helpers would otherwise hold a test's pipes.
    # It refuses to start when this prefix's server already runs, which serves as well.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # Booting the prefix (creating it when new) starts its long-lived service processes here,
    # with their output on /dev/null; started by a test's first program instead, they would
    # inherit that test's pipes and keep it from ever ending.
    "${wine[@]}" wineboot --init </dev/null >/dev/null 2>&1
    # The window font: Wine uses Tahoma only from the prefix's own Fonts folder, and otherwise
    # answers "Tahoma" with another face whose metrics would scale the whole window. Chinese
    # captions come from a CJK font linked to Tahoma, as Windows links its own.
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [[ ! -f "$fonts/tahoma.ttf" ]]; then
      cp /usr/share/wine/fonts/tahoma*.ttf "$fonts/"
      wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f ||
        fail "the Chinese font could not be linked to Tahoma"
      wine_restart
    fi
    echo "ok: Wine prefix $WINEPREFIX ready"
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    if [[ -f "$WINEPREFIX/xvfb.pid" ]]; then
      kill "$(cat "$WINEPREFIX/xvfb.pid")" 2>/dev/null || true
      rm -f "$WINEPREFIX/xvfb.pid" "$WINEPREFIX/display"
    fi
    echo "ok: Wine prefix $WINEPREFIX stopped"
    ;;
  *)
    echo "usage: server.sh start|stop PREFIX" >&2
    exit 2
    ;;
esac
