#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, as the tests do:
#   run.sh PREFIX PROGRAM.exe [ARGS...]
# Wine reads the arguments as UTF-8 and shows windows on the prefix's Xvfb.
set -euo pipefail
source "$(dirname "$0")/env.sh" "$1"
shift
export LC_ALL=C.UTF-8
# The prefix's own X server, when server.sh started one.
[[ -s "$WINEPREFIX/display" ]] && export DISPLAY=":$(cat "$WINEPREFIX/display")"
exec "${wine[@]}" "$@"
