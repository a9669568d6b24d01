#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The exit status is the verdict.
#   ./test.sh          the Release build (build/)
#   ./test.sh asan     the same suite under address + undefined-behaviour sanitizers (build-asan/)
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-default}"

scripts/install-deps.sh --test
cmake --preset "$preset" -DSUMVANE_BUILD_TESTS=ON >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
