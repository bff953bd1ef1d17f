#!/usr/bin/env bash
# Checks the library search path (RUNPATH or RPATH) of every ELF program and shared library in
# the given folders: no entry may be empty (an empty entry is the current folder, so a program
# run from an untrusted folder would load a library placed there), and every entry is relative
# to the file's own folder ($ORIGIN), so the build tree and an installation are searched only
# within themselves.
# Usage: check_runpath.sh FOLDER...
set -euo pipefail
checked=0
failed=0
while IFS= read -r -d '' file; do
  head -c 4 "$file" | grep -q $'^\x7fELF' || continue
  checked=$((checked + 1))
  paths=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\2/p')
  [ -n "$paths" ] || continue
  while IFS= read -r entry; do
    case "$entry" in
      '$ORIGIN' | '$ORIGIN/'*) ;;
      *)
        echo "$file: search path [$paths] holds the entry '$entry'" >&2
        failed=$((failed + 1))
        break
        ;;
    esac
  done < <(tr ':' '\n' <<<"$paths")
done < <(find "$@" -type f \( -name '*.so' -o -perm -u+x \) -print0)
if [ "$checked" -eq 0 ]; then
  echo "no program or library found in $*" >&2
  exit 1
fi
if [ "$failed" -gt 0 ]; then
  echo "$failed of $checked programs and libraries search outside their own folders" >&2
  exit 1
fi
echo "$checked programs and libraries: every search path entry is within \$ORIGIN"
