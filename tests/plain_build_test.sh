#!/usr/bin/env bash
# The build as a packager or an IDE types it: plain CMake with its default generator (Unix
# Makefiles, not the presets' Ninja) in a fresh folder, its tables run, and installed under a
# prefix, whose contents packaging_test.sh checks as it checks the preset build's.
#   tests/plain_build_test.sh          (from a clone)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/lib.sh"
"$repo/scripts/install-deps.sh" --test
unset CMAKE_GENERATOR
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

cmake -S "$repo" -B "$work/build" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "cmake -S . -B build"; }
grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$work/build/CMakeCache.txt" ||
  fail "the default generator is $(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$work/build/CMakeCache.txt")"
cmake --build "$work/build" >"$work/build.log" 2>&1 || { tail -30 "$work/build.log"; fail "cmake --build build"; }
(cd "$work/build" && ctest --output-on-failure -R '^(test_engine|test_form_rules|test_cli|tst_form)$') ||
  fail "ctest in the plain build"
cmake --install "$work/build" --prefix "$work/x" >/dev/null || fail "cmake --install build --prefix"
[[ "$("$work/x/bin/sumvane-lrc" --field hex "01 A0 7C FF 02")" == E2 ]] || fail "the installed sumvane-lrc"
"$repo/tests/packaging_test.sh" "$work/build" >/dev/null || fail "packaging_test.sh on the plain build"
echo "ok: plain CMake with Unix Makefiles: built, its tables passed, installed under a prefix, packaging checks passed"
