#!/usr/bin/env bash
# The main job: sets up the machine, builds the release preset and runs the host program on the
# example requests of examples/, one operation after the other, as one session against the demo
# store (scripts/session.sh: the store is kept in a temporary folder between the runs). Every
# reply is shown, then a summary ("22 requests: 22 responses, 0 faults"; for a request that was
# not answered with a response, which one and why). Exits non-zero when a request fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
# Only what the job runs: the library and the host program (no benchmarks or fuzz targets).
cmake --build --preset release -j "${SOACAD_JOBS:-$(nproc)}" --target soacad soacad-host

exec scripts/session.sh build/release/bin/soacad-host
