#!/usr/bin/env bash
# The main job: sets up the machine, builds the release preset and runs the host program on the
# example requests of examples/, one operation after the other, as one session against the demo
# store (the store is kept in a temporary file between the runs). Every reply is shown.
# Exits non-zero when a request fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

host=build/release/bin/soacad-host
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
store="$session/store.xml"

service=Cad-2007-01-DataManagement
# Queries first, then the writes, then the expansions that see what the writes made.
operations=(
  getAvailableTypes generateAlternateIds getAllAttrMappings getAttrMappingsForDatasetType
  resolveAttrMappingsForDataset createOrUpdateParts createOrUpdateRelations expandGRMRelations
  expandPrimaryObjects expandFoldersForCAD
)

status=0
for operation in "${operations[@]}"; do
  request=examples/datamanagement/$operation.xml
  echo "== $service $operation ($request)"
  if ! "$host" --store "$store" "$service" "$operation" "$request"; then
    status=1
  fi
  echo
done
exit "$status"
