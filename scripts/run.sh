#!/usr/bin/env bash
# The main job: sets up the machine, builds the release preset and runs the host program on the
# example requests of examples/, one operation after the other, as one session against the demo
# store (the store is kept in a temporary file between the runs). Every reply is shown.
# Exits non-zero when a request fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
# Only what the job runs: the library and the host program (no benchmarks or fuzz targets).
cmake --build --preset release -j "${SOACAD_JOBS:-$(nproc)}" --target soacad soacad-host

host=build/release/bin/soacad-host
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
store="$session/store.xml"
status=0
reply=""

# answer SERVICE OPERATION REQUEST-FILE: shows the request's reply and keeps it in $reply.
answer() {
  echo "== $1 $2 ($3)"
  if reply=$("$host" --store "$store" "$1" "$2" "$3"); then
    :
  else
    status=1
  fi
  echo "$reply"
  echo
}

dm=Cad-2007-01-DataManagement
# Queries first, then the writes, then the expansions that see what the writes made. An example
# named "<operation>-<what>" is a further request to that operation.
for example in getAvailableTypes generateAlternateIds getAllAttrMappings \
    getAttrMappingsForDatasetType resolveAttrMappingsForDataset createOrUpdateParts \
    createOrUpdateParts-existing createOrUpdateRelations expandGRMRelations expandPrimaryObjects \
    expandFoldersForCAD; do
  answer "$dm" "${example%%-*}" "examples/datamanagement/$example.xml"
done

sm=Cad-2007-01-StructureManagement
examples=examples/structuremanagement
answer "$sm" getRevisionRules "$examples/getRevisionRules.xml"
answer "$sm" getVariantRules "$examples/getVariantRules.xml"
answer Cad-2007-06-StructureManagement getConfiguredItemRevision \
  "$examples/getConfiguredItemRevision.xml"

# The window that createBOMWindows opens is named by the host: the expansions and the close
# take its UID and its top line's from the reply.
answer "$sm" createBOMWindows "$examples/createBOMWindows.xml"
window=$(sed -n 's/.*<bomWindow uid="\([^"]*\)".*/\1/p' <<<"$reply")
top=$(sed -n 's/.*<bomLine uid="\([^"]*\)".*/\1/p' <<<"$reply")
for operation in expandPSOneLevel expandPSAllLevels closeBOMWindows; do
  sed -e "s/\"bw\.1\"/\"$window\"/" -e "s/\"bl\.1\.top\"/\"$top\"/" \
    "$examples/$operation.xml" >"$session/$operation.xml"
  answer "$sm" "$operation" "$session/$operation.xml"
done

for operation in createOrUpdateRelativeStructure createOrUpdateAbsoluteStructure \
    deleteAssemblyArrangements deleteRelativeStructure; do
  answer "$sm" "$operation" "$examples/$operation.xml"
done
exit "$status"
