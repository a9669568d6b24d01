#!/usr/bin/env bash
# Starts or ends the Wine of one private prefix, so that the tests that use it share one
# wineserver instead of starting one each:
#   server.sh start PREFIX     creates the prefix when missing, then keeps its wineserver up
#   server.sh stop PREFIX      ends that prefix's wineserver (and so its programs), no other
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
case "$action" in
  start)
    mkdir -p "$WINEPREFIX"
    # Persistent, with its output on /dev/null: its helpers would otherwise hold a test's pipes.
    # It refuses to start when this prefix's server already runs, which serves as well.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # Booting the prefix (creating it when new) starts its long-lived service processes here,
    # with their output on /dev/null; started by a test's first program instead, they would
    # inherit that test's pipes and keep it from ever ending.
    wineboot --init </dev/null >/dev/null 2>&1
    echo "ok: Wine prefix $WINEPREFIX ready"
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    echo "ok: Wine prefix $WINEPREFIX stopped"
    ;;
  *)
    echo "usage: server.sh start|stop PREFIX" >&2
    exit 2
    ;;
esac
