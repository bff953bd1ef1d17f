#!/usr/bin/env python3
"""What hostile requests cost the release host program: memory and processor time per request.

Each row writes one request to a file and sends it to soacad-host, one run per fresh process.
A measuring process whose only child is that run reads the child's peak resident memory and its
processor time (user + system) from getrusage. The table gives, per row: whether the request was
answered or refused, the request's bytes, the whole peak, the peak above that of a trivial
request of the same operation divided by the request's bytes, the processor seconds, and the
row's target. Figures are medians of --runs runs.

What reading a request may hold is the larger of 256 MiB and 8 times its text
(SAXToNodeParser::kHeldBytesFloor, kMaxHeldBytesPerTextByte), so a flood is refused when it
needs more than that, and a row bounded by reading has the target "at most 10x or 300 MB": the
peak above a trivial request's is at most the larger of 10 times the request and 300 MB (the
floor with the text and the XML library's buffers).

Every run is capped, so that a row far over its target cannot exhaust the shared machine: its
address space (RLIMIT_AS, 16 times the request plus 1 GiB) and its processor time (RLIMIT_CPU,
--cpu-cap seconds). A run stopped by a cap is reported as such; its row misses its target.

Usage: bench/hostile_requests.py [--build build/release] [--runs 1] [--rows 1 4 7] [--cpu-cap 120]
"""

import argparse
import json
import os
import resource
import statistics
import subprocess
import sys
import tempfile

DATA = "Cad-2007-01-DataManagement"
STRUCTURE = "Cad-2007-01-StructureManagement"
MB = 1000 * 1000
MIB = 1024 * 1024


def flood(path, head, item, tail, size, encoding="utf-8"):
    """Writes head, then items (item(i) for i = 0, 1, ...) up to `size` bytes, then tail."""
    with open(path, "wb") as out:
        written = out.write(head.encode(encoding))
        budget = size - len(tail.encode(encoding))
        i = 0
        while True:
            piece = item(i).encode(encoding)
            if written + len(piece) > budget:
                break
            written += out.write(piece)
            i += 1
        out.write(tail.encode(encoding))


def attributes(separator, count=100000):
    """`count` namespace declarations and `count` attributes, one in each of those namespaces
    (which the XML library compares pairwise), each preceded by `separator`."""
    return ("".join('%sxmlns:p%d="u%d"' % (separator, i, i) for i in range(count)) +
            "".join('%sp%d:a=""' % (separator, i) for i in range(count)))


def write_attribute_flood(path, declaration, separator, encoding):
    text = declaration + "<GetAvailableTypesInput" + attributes(separator) + "/>"
    with open(path, "wb") as out:
        out.write(text.encode(encoding))


# The peak target of a row bounded by what reading a request may hold: at most 10 times the
# request above a trivial request's peak, or 300 MB.
READING = (10, 300)

# Each row: (label, service, operation, root element, writer(path), peak target or None (a ratio,
# or READING), what a row's seconds are compared with or None).
def alternate_ids(count):
    item = ('<input altIdType="CADAltId" count="%d" pattern="GBX-%%d-######">'
            '<idContext uid="i.000100"/><parentAltId uid=""/></input>' % count)
    return lambda i: item % (i % 97)


ROWS = [
    ("8 MB of <input/> (generateAlternateIds)", DATA, "generateAlternateIds",
     "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>", lambda i: "<input/>",
                     "</GenerateAlternateIdsInput>", 8 * MB), READING, None),
    ("8 MB of <info /> in createBOMWindows, then an unknown element", STRUCTURE,
     "createBOMWindows", "CreateBOMWindowsInput",
     lambda p: flood(p, "<CreateBOMWindowsInput>", lambda i: "<info />",
                     "<unknown/></CreateBOMWindowsInput>", 8 * MB), READING, None),
    ("the same at the 128 MiB request limit", STRUCTURE, "createBOMWindows",
     "CreateBOMWindowsInput",
     lambda p: flood(p, "<CreateBOMWindowsInput>", lambda i: "<info />",
                     "<unknown/></CreateBOMWindowsInput>", 128 * MIB), READING, None),
    ("8 MB of distinct element names (<x0000001 />...)", DATA, "generateAlternateIds",
     "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>", lambda i: "<x%07d />" % i,
                     "</GenerateAlternateIdsInput>", 8 * MB), READING, None),
    ("100 MB of distinct prefixes", DATA, "generateAlternateIds", "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>",
                     lambda i: '<p%07d:a xmlns:p%07d="u"/>' % (i, i),
                     "</GenerateAlternateIdsInput>", 100 * MB), READING, None),
    ("100 MB of distinct namespace URIs", DATA, "generateAlternateIds",
     "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>", lambda i: '<a xmlns="u%07d"/>' % i,
                     "</GenerateAlternateIdsInput>", 100 * MB), READING, None),
    ("8 MB of <a/>", DATA, "generateAlternateIds", "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>", lambda i: "<a/>",
                     "</GenerateAlternateIdsInput>", 8 * MB), READING, None),
    ("100,000 attributes separated by spaces, UTF-8 XML 1.0", DATA, "getAvailableTypes",
     "GetAvailableTypesInput",
     lambda p: write_attribute_flood(p, "", " ", "utf-8"), None, None),
    ("100,000 attributes separated by NEL (U+0085), XML 1.1", DATA, "getAvailableTypes",
     "GetAvailableTypesInput",
     lambda p: write_attribute_flood(p, '<?xml version="1.1" encoding="UTF-8"?>', "\u0085",
                                     "utf-8"), None, 8),
    ("100,000 attributes in EBCDIC", DATA, "getAvailableTypes", "GetAvailableTypesInput",
     lambda p: write_attribute_flood(p, '<?xml version="1.0" encoding="IBM037"?>', " ",
                                     "cp037"), None, 8),
    ("32 MB generateAlternateIds request (count 1), answered", DATA, "generateAlternateIds",
     "GenerateAlternateIdsInput",
     lambda p: flood(p, "<GenerateAlternateIdsInput>", alternate_ids(1),
                     "</GenerateAlternateIdsInput>", 32 * MB), 6, None),
]


def run_once(program, service, operation, path, cpu_cap):
    """One capped run of the program on the request at `path`, in a process of its own whose
    only child is that run: a JSON line of exit status, peak bytes, processor seconds and the
    first line of standard error."""
    size = os.path.getsize(path)
    address_cap = 16 * size + 1024 * MIB

    def caps():
        resource.setrlimit(resource.RLIMIT_AS, (address_cap, address_cap))
        resource.setrlimit(resource.RLIMIT_CPU, (cpu_cap, cpu_cap + 5))

    with open(path, "rb") as text:
        result = subprocess.run([program, service, operation, "-"], stdin=text,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                preexec_fn=caps, check=False)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    reason = result.stderr.decode(errors="replace").strip().splitlines()
    print(json.dumps({"status": result.returncode, "peak": usage.ru_maxrss * 1024,
                      "seconds": usage.ru_utime + usage.ru_stime,
                      "reason": reason[0][:300] if reason else ""}))


def measure(program, service, operation, path, runs, cpu_cap):
    """The median peak and seconds over `runs` runs, with the last run's status and reason."""
    results = []
    for _ in range(runs):
        output = subprocess.run([sys.executable, __file__, "--one", program, service, operation,
                                 path, str(cpu_cap)],
                                capture_output=True, text=True, check=True)
        results.append(json.loads(output.stdout))
    last = results[-1]
    return {"status": last["status"], "reason": last["reason"],
            "peak": statistics.median(r["peak"] for r in results),
            "seconds": statistics.median(r["seconds"] for r in results)}


def outcome(result):
    if result["status"] == 0:
        return "answered"
    if result["status"] < 0 or "bad_alloc" in result["reason"]:
        return "over cap"  # Out of its address space or processor time.
    return "refused" if result["status"] == 1 else "status %d" % result["status"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--rows", type=int, nargs="+", help="row numbers (1-based); all by default")
    parser.add_argument("--cpu-cap", type=int, default=120)
    parser.add_argument("--reasons", action="store_true", help="also print each refusal's reason")
    parser.add_argument("--one", nargs=5, help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.one:
        program, service, operation, path, cpu_cap = options.one
        run_once(program, service, operation, path, int(cpu_cap))
        return
    program = os.path.join(options.build, "bin", "soacad-host")
    if not os.access(program, os.X_OK):
        sys.exit("no program at %s: build the release preset first" % program)
    chosen = options.rows or range(1, len(ROWS) + 1)
    results = {}
    baselines = {}
    print("soacad-host on hostile requests (median of %d run%s; peak above a trivial request of "
          "the same operation, per request byte)" % (options.runs, "" if options.runs == 1 else "s"))
    print("%-3s %-62s %-9s %11s %9s %10s %8s  %s" % ("row", "input", "outcome", "bytes", "peak MB",
                                                   "above/byte", "seconds", "target"))
    with tempfile.TemporaryDirectory() as folder:
        for number in chosen:
            label, service, operation, root, write, peak_target, compare = ROWS[number - 1]
            if (service, operation) not in baselines:
                trivial = os.path.join(folder, "trivial.xml")
                with open(trivial, "w", encoding="ascii") as out:
                    out.write("<%s/>" % root)
                baselines[(service, operation)] = measure(program, service, operation, trivial,
                                                          options.runs, options.cpu_cap)["peak"]
            path = os.path.join(folder, "request.xml")
            write(path)
            size = os.path.getsize(path)
            result = measure(program, service, operation, path, options.runs, options.cpu_cap)
            os.remove(path)
            results[number] = result
            above = (result["peak"] - baselines[(service, operation)]) / size
            if peak_target == READING:
                target = "at most %gx or %d MB" % READING
            elif peak_target is not None:
                target = "at most %gx" % peak_target
            elif compare is not None and compare in results:
                target = "as fast as row %d (%.3f s)" % (compare, results[compare]["seconds"])
            else:
                target = "refused fast"
            print("%-3d %-62s %-9s %11d %9.1f %10.2f %8.3f  %s"
                  % (number, label, outcome(result), size, result["peak"] / 1e6, above,
                     result["seconds"], target))
            if options.reasons and result["reason"]:
                print("    %s" % result["reason"])
            sys.stdout.flush()


if __name__ == "__main__":
    main()
