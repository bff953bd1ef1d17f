#!/usr/bin/env bash
# Sends the example requests of examples/ through the host program, one operation after the
# other, as one session against the demo store (kept in a temporary folder of its own between
# the runs), shows every reply, and ends with a summary: how many requests were answered with a
# response, with a fault, or not at all, and for each of the last two which request and why.
# Exits non-zero when a request was not answered with a response.
#
# Usage: scripts/session.sh PROGRAM [EXAMPLES]
#   PROGRAM   the host program (scripts/run.sh passes build/release/bin/soacad-host)
#   EXAMPLES  the folder of example requests (default: the examples/ of this checkout)
set -euo pipefail

host=$1
examples=${2:-"$(realpath --relative-to=. "$(dirname "$0")/../examples")"}
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
store="$session/store.xml"
requests=0
responses=0
faults=0
unanswered=0
problems=()
reply=""

# answer SERVICE OPERATION REQUEST-FILE: shows the request's reply, keeps it in $reply and
# counts it: a response (exit status 0), a fault (a reply, but a failed run: the fault document
# or a response that was replaced because the session could not be saved) or no answer at all.
answer() {
  echo "== $1 $2 ($3)"
  requests=$((requests + 1))
  local status=0
  reply=$("$host" --store "$store" "$1" "$2" "$3" 2>"$session/reason") || status=$?
  cat "$session/reason" >&2
  echo "$reply"
  echo
  local reason
  reason=$(sed -n '1s/^soacad-host: //p' "$session/reason")
  if [ "$status" -eq 0 ]; then
    responses=$((responses + 1))
  elif [ -n "$reply" ]; then
    faults=$((faults + 1))
    problems+=("fault: $2 ($3): ${reason#"$2 ($3): "}")
  else
    unanswered=$((unanswered + 1))
    problems+=("not answered: $2 ($3): $reason")
  fi
}

dm=Cad-2007-01-DataManagement
# Queries first, then the writes, then the expansions that see what the writes made. An example
# named "<operation>-<what>" is a further request to that operation.
for example in getAvailableTypes generateAlternateIds getAllAttrMappings \
    getAttrMappingsForDatasetType resolveAttrMappingsForDataset createOrUpdateParts \
    createOrUpdateParts-existing createOrUpdateRelations expandGRMRelations expandPrimaryObjects \
    expandFoldersForCAD; do
  answer "$dm" "${example%%-*}" "$examples/datamanagement/$example.xml"
done

sm=Cad-2007-01-StructureManagement
structure=$examples/structuremanagement
answer "$sm" getRevisionRules "$structure/getRevisionRules.xml"
answer "$sm" getVariantRules "$structure/getVariantRules.xml"
answer Cad-2007-06-StructureManagement getConfiguredItemRevision \
  "$structure/getConfiguredItemRevision.xml"

# The window that createBOMWindows opens is named by the host: the expansions and the close
# take its UID and its top line's from the reply.
answer "$sm" createBOMWindows "$structure/createBOMWindows.xml"
window=$(sed -n 's/.*<bomWindow uid="\([^"]*\)".*/\1/p' <<<"$reply")
top=$(sed -n 's/.*<bomLine uid="\([^"]*\)".*/\1/p' <<<"$reply")
for operation in expandPSOneLevel expandPSAllLevels closeBOMWindows; do
  sed -e "s/\"bw\.1\"/\"$window\"/" -e "s/\"bl\.1\.top\"/\"$top\"/" \
    "$structure/$operation.xml" >"$session/$operation.xml"
  answer "$sm" "$operation" "$session/$operation.xml"
done

for operation in createOrUpdateRelativeStructure createOrUpdateAbsoluteStructure \
    deleteAssemblyArrangements deleteRelativeStructure; do
  answer "$sm" "$operation" "$structure/$operation.xml"
done

plural() {
  if [ "$1" -eq 1 ]; then echo "$1 $2"; else echo "$1 $2s"; fi
}
summary="$requests requests: $(plural "$responses" response), $(plural "$faults" fault)"
if [ "$unanswered" -gt 0 ]; then
  summary+=", $unanswered not answered"
fi
echo "== summary"
echo "$summary"
for problem in "${problems[@]}"; do
  echo "  $problem"
done
[ "$responses" -eq "$requests" ]
