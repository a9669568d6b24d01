#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, as the tests do:
#   run.sh PREFIX PROGRAM.exe [ARGS...]
# The prefix lives in the build folder; Wine writes nothing into the home folder, prints none of
# its own diagnostics, and reads the arguments as UTF-8.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
exec wine "$@"
