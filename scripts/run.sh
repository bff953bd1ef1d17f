#!/usr/bin/env bash
# Sets up the machine, builds the release preset and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
