#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds against the installed package:
# every installed header on its own (tests/install/headers), the test consumers
# (tests/install/consumer) with g++ and with clang++, and the example host build
# (examples/consumer), and runs each program from a folder of its own. Every test consumer must
# find the three services registered, whichever exported targets it links; the example must
# answer a request against the demo store with a response. The installed programs and
# libraries must search for libraries only within the installation (check_runpath.sh).
# Usage: check_install.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1
scratch=$2
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
"$here/check_runpath.sh" "$scratch/prefix"

# build NAME SOURCE_DIR [CMAKE_ARGUMENTS...]: configures and builds a project against the
# scratch prefix, with SOACAD_JOBS jobs (the number of processors when it is not set).
build() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$scratch/$name" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" "$@" \
    >"$scratch/$name.log" 2>&1 || { cat "$scratch/$name.log" >&2; return 1; }
  cmake --build "$scratch/$name" -j "${SOACAD_JOBS:-$(nproc)}" >>"$scratch/$name.log" 2>&1 ||
    { cat "$scratch/$name.log" >&2; return 1; }
}

# Programs run from this folder, which is none of theirs.
mkdir -p "$scratch/elsewhere"
cd "$scratch/elsewhere"

build headers "$here/headers"
"$scratch/headers/installed_headers"

for compiler in g++ clang++; do
  build "consumer-$compiler" "$here/consumer" -DCMAKE_CXX_COMPILER="$compiler"
  for program in consumer registered registered_library_first registered_library_last \
    registered_through_interface; do
    "$scratch/consumer-$compiler/$program" >/dev/null ||
      { echo "$program, built with $compiler, failed" >&2; exit 1; }
  done
done

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
echo "installed package: headers, test consumers (g++, clang++) and examples/consumer built and answered"
