#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds against the installed package:
# every installed header on its own (tests/install/headers), the test consumer
# (tests/install/consumer) and the example host build (examples/consumer), and runs them. The
# example must answer a request against the demo store with a response.
# Usage: check_install.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null

# build NAME SOURCE_DIR: configures and builds a project against the scratch prefix, with
# SOACAD_JOBS jobs (the number of processors when it is not set).
build() {
  cmake -S "$2" -B "$scratch/$1" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
  cmake --build "$scratch/$1" -j "${SOACAD_JOBS:-$(nproc)}" >/dev/null
}

build headers "$here/headers"
"$scratch/headers/installed_headers"

build consumer "$here/consumer"
"$scratch/consumer/consumer"

build example "$source_dir/examples/consumer"
reply=$("$scratch/example/consumer")
case "$reply" in
  "<GetAvailableTypesResponse>"*"<value>mm</value>"*) ;;
  *) echo "examples/consumer answered: $reply" >&2; exit 1 ;;
esac
reply=$("$scratch/example/consumer" Cad-2007-01-StructureManagement getRevisionRules \
  <"$source_dir/examples/structuremanagement/getRevisionRules.xml")
case "$reply" in
  "<GetRevisionRulesResponse>"*) ;;
  *) echo "examples/consumer answered: $reply" >&2; exit 1 ;;
esac
echo "installed package: headers, test consumer and examples/consumer built and answered"
