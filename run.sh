#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sumvane. Arguments go to the application.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset default -DSUMVANE_BUILD_TESTS=OFF -DSUMVANE_BUILD_BENCH=OFF >/dev/null
cmake --build --preset default
if [[ -x build/app/sumvane ]]; then
  exec build/app/sumvane "$@"
fi
exec build/cli/sumvane-lrc "${@:-01 A0 7C FF 02}"
