#!/usr/bin/env bash
# Sets up the machine, builds the normal and the sanitizer build and runs every test in both.
# Exits non-zero when anything fails; the last lines are CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs=$(nproc)
status=0
for preset in dev sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in dev sanitize; do
  echo "== tests: $preset build"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit "$status"
