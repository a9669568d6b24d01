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
# The whole run goes to a log: its summary is shown, and for a failing target the whole report
# (the sanitizer's or the model's), without the periodic progress lines.
log=$scratch/fuzz.log
status=0
ASAN_OPTIONS=detect_leaks=1 build-fuzz/fuzz/fuzz_engine \
  -max_total_time="$seconds" -max_len=4096 -dict=fuzz/engine.dict -print_final_stats=1 \
  -artifact_prefix="$scratch/" "$scratch" fuzz/corpus/engine >"$log" 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)|Done [0-9]+ runs|cov: .*corp: .*exec/s' \
  "$log" | tail -n 5 || true
if ((status != 0)); then
  grep -vE '^#[0-9]+[[:space:]]+(INITED|NEW|REDUCE|pulse|RELOAD)' "$log" >&2 || true
  echo "fuzz_engine failed (status $status); its report is shown above" >&2
  ls "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-* 2>/dev/null | head -n 1 |
    xargs -r -I{} sh -c 'echo "input: $(od -c {} | head -5)"' >&2
  exit "$status"
fi
