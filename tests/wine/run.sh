#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, as the tests do:
#   run.sh PREFIX PROGRAM.exe [ARGS...]
# The prefix lives in the build folder; Wine writes nothing into the home folder, prints none of
# its own diagnostics, reads the arguments as UTF-8, and shows windows on the prefix's Xvfb.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
# The prefix's own X server, when server.sh started one.
[[ -s "$WINEPREFIX/display" ]] && export DISPLAY=":$(cat "$WINEPREFIX/display")"
exec wine "$@"
