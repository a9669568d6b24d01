#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The exit status is the verdict.
#   ./test.sh          the Release build (build/)
#   ./test.sh asan     the same suite under address + undefined-behaviour sanitizers (build-asan/)
#   ./test.sh windows  the 32- and 64-bit Windows builds (build-windows-x86/, build-windows-x64/),
#                      cross-built with mingw-w64 and run under Wine
#   ./test.sh windows-x86, ./test.sh windows-x64   one of them
#   ./test.sh web      the web edition (build-web/): the page in Debian's Chromium, the npm
#                      package under Node.js, both held to the Linux sumvane-lrc
set -euo pipefail
cd "$(dirname "$0")"
preset="${1:-default}"

case "$preset" in
  web)
    scripts/install-deps.sh --web
    # The page and the package are held to the Linux tool, so that one is built first.
    cmake --preset default -DSUMVANE_BUILD_TESTS=ON >/dev/null
    cmake --build --preset default --target sumvane-lrc
    cmake --preset web -DSUMVANE_BUILD_TESTS=ON >/dev/null
    cmake --build --preset web
    exec ctest --preset web
    ;;
  windows) architectures=(windows-x86 windows-x64) ;;
  windows-x86 | windows-x64) architectures=("$preset") ;;
  *)
    scripts/install-deps.sh --test
    # The checked-in .clang-format holds for every source file of the project's own, as Debian 12's
    # clang-format reads it: not for the headers of packages the tests install (Node-RED 5's Node.js).
    find app bench cli engine form fuzz model report tests ui web win -name node_modules -prune -o \
      \( -name '*.cpp' -o -name '*.h' \) -print |
      xargs clang-format --dry-run -Werror
    cmake --preset "$preset" -DSUMVANE_BUILD_TESTS=ON >/dev/null
    cmake --build --preset "$preset"
    exec ctest --preset "$preset"
    ;;
esac

scripts/install-deps.sh --windows
# The Windows tool is held to the Linux one, so that one is built first.
cmake --preset default -DSUMVANE_BUILD_TESTS=ON >/dev/null
cmake --build --preset default --target sumvane-lrc
status=0
for windows in "${architectures[@]}"; do
  cmake --preset "$windows" >/dev/null
  cmake --build --preset "$windows"
  if [[ "$windows" == windows-x64 ]]; then
    ctest --preset "$windows" || status=1
  elif tests/wine/wine32.sh bash -c 'source tests/wine/env.sh "$1" && wine_runs_32bit' - "build-$windows/wineprefix"; then
    # The 32-bit suite with Wine's 32-bit half at hand (where apt could not install it, in a
    # mount namespace of its own), the emulator's where the kernel executes no i386 program.
    tests/wine/wine32.sh ctest --preset "$windows" || status=1
  else
    echo "NOTE: no 32-bit Wine runs on this machine (scripts/i386-support.sh says why above):" \
         "the 32-bit build is built and packaged, and its tests under Wine are left out" >&2
    ctest --preset "$windows" --label-exclude wine || status=1
  fi
done
exit $status
