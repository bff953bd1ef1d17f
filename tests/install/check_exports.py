#!/usr/bin/env python3
"""Checks what the two shared libraries export (see framework/visibility.h).

libsoacad.so: the services' entry points (each skeleton's `_service` and `_servicePolicy`) are
exported, and every symbol it exports belongs to a class that a header marks for export (the
library's classes, SOACAD_API; the inline parts of the framework and host classes whose headers
are interface, SOACAD_API_BEGIN) or is a standard library template instantiated for one. None of
the library's helper functions or template instances is exported.

libsoacad_host.so: nothing declared in the host's internal headers (those without
SOACAD_API_BEGIN) is exported, and every function it exports outside a class is declared in an
interface header.

Usage: check_exports.py LIBRARY_DIR SOURCE_DIR GENERATED_DIR
"""
import glob
import os
import re
import subprocess
import sys

PREFIXES = re.compile(
    r"^(typeinfo name for |typeinfo for |vtable for |VTT for |guard variable for |"
    r"non-virtual thunk to |virtual thunk to |covariant return thunk to )+")
SKELETONS = [
    "Korvane::Services::Cad::_2007_01::DataManagementIiopSkeleton",
    "Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton",
    "Korvane::Services::Cad::_2007_06::StructureManagementIiopSkeleton",
]
# The folders of the libraries' sources.
FOLDERS = ["framework", "datamanagement", "structuremanagement", "skeletons", "host"]
# The type information of a function type, which UBSan's function checks make (clang): no
# interface of either library.
FUNCTION_TYPE_INFO = re.compile(r"typeinfo (name )?for [^(]*\(")
HOST_INTERNAL = ["host_call.h", "structure_support.h", "table_memory.h", "tag_table.h"]


def exported(library):
    """The demangled names of the functions and objects `library` defines and exports."""
    out = subprocess.run(["nm", "-DC", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    return [line.split(" ", 2)[2] for line in out.splitlines() if line.count(" ") >= 2]


def without_templates(text):
    depth, out = 0, []
    for ch in text:
        if ch == "<":
            depth += 1
        elif ch == ">":
            depth -= 1
        elif depth == 0:
            out.append(ch)
    return "".join(out)


def qualified_name(symbol):
    """The qualified name of a symbol, without prefix, return type, arguments or template
    arguments: "Korvane::Soa::Cad::raiseError" for "Korvane::Soa::Cad::raiseError(int, ...)"."""
    name = PREFIXES.sub("", symbol)
    name = without_templates(name)
    name = re.sub(r"\[abi:[a-z0-9]+\]", "", name)
    if name.startswith("decltype"):  # A deduced return type: skip it, parentheses and all.
        depth = 0
        for i, ch in enumerate(name):
            depth += {"(": 1, ")": -1}.get(ch, 0)
            if ch == ")" and depth == 0:
                name = name[i + 1:].strip()
                break
    # The return type (if any) precedes the name; the arguments follow it.
    depth, end = 0, len(name)
    for i, ch in enumerate(name):
        if ch == "(" and depth == 0 and not name[:i].endswith("operator"):
            end = i
            break
    name = name[:end].strip()
    return name.split(" ")[-1]


def declarations(paths, pattern):
    names = set()
    for path in paths:
        with open(path) as source:
            names.update(re.findall(pattern, source.read()))
    return names


def main():
    library_dir, source_dir, generated_dir = sys.argv[1:4]
    headers = glob.glob(os.path.join(generated_dir, "**", "*.h"), recursive=True)
    for folder in FOLDERS:
        headers += glob.glob(os.path.join(source_dir, folder, "**", "*.h"), recursive=True)
    interface = [h for h in headers if "SOACAD_API_BEGIN" in open(h).read()]
    class_name = r"(?m)^\s*(?:class|struct) (?:SOACAD_API )?([A-Za-z_0-9]+)(?: final)?(?: :[^{;]*)? ?\{"
    exported_classes = declarations(headers, r"(?m)^(?:class|struct) SOACAD_API ([A-Za-z_0-9]+)")
    exported_classes |= declarations(interface, class_name)
    failures = []

    library = exported(os.path.join(library_dir, "libsoacad.so"))
    names = {qualified_name(symbol) for symbol in library}
    for skeleton in SKELETONS:
        for member in ("_service", "_servicePolicy"):
            if skeleton + "::" + member not in names:
                failures.append("libsoacad.so does not export %s::%s" % (skeleton, member))
    for symbol in library:
        if FUNCTION_TYPE_INFO.match(symbol):
            continue
        name = qualified_name(symbol)
        scopes = name.split("::")
        if name.startswith(("std::", "__gnu_cxx::", "__")) or scopes[0].startswith("_"):
            continue
        if any(scope in exported_classes for scope in scopes):
            continue
        failures.append("libsoacad.so exports %s" % symbol)

    internal = [h for h in headers if os.path.basename(h) in HOST_INTERNAL]
    internal_names = declarations(internal, class_name)
    internal_names |= declarations(internal, r"\n[A-Za-z_][\w:<>,*& ]* \*?&?([a-z][A-Za-z0-9_]*)\(")
    interface_words = declarations(interface, r"\b([A-Za-z_][A-Za-z0-9_]*)\b")
    for symbol in exported(os.path.join(library_dir, "libsoacad_host.so")):
        if FUNCTION_TYPE_INFO.match(symbol):
            continue
        name = qualified_name(symbol)
        scopes = name.split("::")
        # The XML library's inline functions, emitted here, keep the visibility its headers give.
        if name.startswith(("std::", "__gnu_cxx::", "__", "xercesc_")) or scopes[0].startswith("_"):
            continue
        if any(scope in internal_names for scope in scopes):
            failures.append("libsoacad_host.so exports %s (an internal module)" % symbol)
        elif scopes[-1] not in interface_words and not any(
                scope in exported_classes for scope in scopes):
            failures.append("libsoacad_host.so exports %s (declared in no interface header)"
                            % symbol)

    for failure in failures[:int(os.environ.get("SOACAD_EXPORTS_SHOWN", "40"))]:
        print(failure[:300], file=sys.stderr)
    if failures:
        print("%d symbols exported beyond the interface, or entry points missing" % len(failures),
              file=sys.stderr)
        return 1
    print("exported: %d symbols of libsoacad.so, the services' entry points among them; "
          "libsoacad_host.so exports its interface only" % len(library))
    return 0


if __name__ == "__main__":
    sys.exit(main())
