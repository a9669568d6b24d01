#!/usr/bin/env bash
# Builds the engine's fuzz target with clang and runs it for a bounded time.
#   scripts/fuzz.sh [SECONDS]      (default 60)
# New inputs it finds go to a scratch folder; the committed seed corpus is not changed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-deps.sh --test
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A failing target must reach the report below, not end the script through pipefail.
set +e
ASAN_OPTIONS=detect_leaks=1 build-fuzz/fuzz/fuzz_engine \
  -max_total_time="$seconds" -max_len=4096 -dict=fuzz/engine.dict -print_final_stats=1 \
  -artifact_prefix="$scratch/" "$scratch" fuzz/corpus/engine 2>&1 |
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)|Done [0-9]+ runs|cov: .*corp: .*exec/s' |
  tail -n 5
status=${PIPESTATUS[0]}
set -e
if ((status != 0)); then
  echo "fuzz_engine failed (status $status); the crashing input is shown above" >&2
  ls "$scratch"/crash-* 2>/dev/null | head -n 1 | xargs -r -I{} sh -c 'echo "input: $(od -c {} | head -5)"' >&2
  exit "$status"
fi
