#!/usr/bin/env python3
"""Checks the host calls that libsoacad.so needs beyond the documented interface.

host/object/extensions.h lists them: it declares the C functions (no other header does) and
names the class members. Every call it lists is one that libsoacad.so imports, so the list holds
no call the library has stopped making. The library imports none of the stand-in's own helpers
(namespace host), which no platform provides, but the lookup behind the typed references
(POMRef, EIMRef), which their header makes inline.

Usage: check_host_calls.py LIBRARY_DIR SOURCE_DIR
"""
import glob
import os
import re
import subprocess
import sys

# What the stand-in's typed references (host/object/pom_ref.h) call when they are first used.
TYPED_REFERENCE_LOOKUP = "host::requireInstance"


def imported(library):
    """The demangled names (without arguments) of the functions `library` imports."""
    out = subprocess.run(["nm", "-DC", "--undefined-only", library], check=True,
                         capture_output=True, text=True).stdout
    names = set()
    for line in out.split("\n"):
        symbol = line.strip()[2:].strip() if line.strip().startswith("U ") else ""
        if symbol:
            names.add(re.sub(r"\[abi:[a-z0-9]+\]", "", symbol.split("(")[0]))
    return names


def main():
    library_dir, source_dir = sys.argv[1:3]
    header = os.path.join(source_dir, "host", "object", "extensions.h")
    text = open(header).read()
    functions = re.findall(r"(?m)^int ([A-Za-z_0-9]+)\(", text)
    members = re.findall(r"(?m)^// - ([A-Za-z_0-9]+::[A-Za-z_0-9]+)", text)
    members += re.findall(r"\) and ([A-Za-z_0-9]+::[A-Za-z_0-9]+)\(", text)
    failures = []
    if not functions or not members:
        failures.append("%s lists no call" % header)

    others = [h for h in glob.glob(os.path.join(source_dir, "host", "**", "*.h"), recursive=True)
              if os.path.abspath(h) != os.path.abspath(header)]
    for path in others:
        for function in re.findall(r"(?m)^int ([A-Za-z_0-9]+)\(", open(path).read()):
            if function in functions:
                failures.append("%s is declared in %s too" % (function, path))

    names = imported(os.path.join(library_dir, "libsoacad.so"))
    for function in functions:
        if function not in names:
            failures.append("the library does not call %s, which extensions.h lists" % function)
    for member in members:
        # A member function, or a nested class's constructor.
        called = [member, member + "::" + member.split("::")[-1]]
        if not any(name == c or name.endswith("::" + c) for name in names for c in called):
            failures.append("the library does not call %s, which extensions.h names" % member)
    for name in sorted(names):
        if name.startswith("host::") and name != TYPED_REFERENCE_LOOKUP:
            failures.append("the library calls the stand-in's own helper %s" % name)

    for failure in failures:
        print(failure, file=sys.stderr)
    if failures:
        return 1
    print("libsoacad.so calls %d functions beyond the documented interface, all listed in "
          "host/object/extensions.h" % (len(functions) + len(members)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
