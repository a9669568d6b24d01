#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The exit status is the verdict.
#   ./test.sh          the Release build (build/)
#   ./test.sh asan     the same suite under address + undefined-behaviour sanitizers (build-asan/)
#   ./test.sh windows  the 32- and 64-bit Windows builds (build-windows-x86/, build-windows-x64/),
#                      cross-built with mingw-w64 and run under Wine
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-default}"

if [[ "$preset" != windows ]]; then
  scripts/install-deps.sh --test
  cmake --preset "$preset" -DSUMVANE_BUILD_TESTS=ON >/dev/null
  cmake --build --preset "$preset"
  exec ctest --preset "$preset"
fi

scripts/install-deps.sh --windows
# The Windows tool is held to the Linux one, so that one is built first.
cmake --preset default -DSUMVANE_BUILD_TESTS=ON >/dev/null
cmake --build --preset default --target sumvane-lrc
status=0
for windows in windows-x86 windows-x64; do
  cmake --preset "$windows" >/dev/null
  cmake --build --preset "$windows"
  if [[ "$windows" == windows-x86 ]] && ! (source tests/wine/env.sh "build-$windows/wineprefix" && wine_runs_32bit); then
    # No 32-bit program runs on a kernel without 32-bit support, under Wine or otherwise.
    echo "NOTE: this machine cannot execute 32-bit programs (its kernel has no IA32 emulation):" \
         "the 32-bit build is built and packaged, and its tests under Wine are left out" >&2
    ctest --preset "$windows" --label-exclude wine || status=1
  else
    ctest --preset "$windows" || status=1
  fi
done
exit $status
