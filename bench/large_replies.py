#!/usr/bin/env python3
"""What small requests with large replies, and large replies that are answered, cost the release
host program: memory, time and the reply's size per row.

Each row sends one request to soacad-host in a fresh process (the structure row first builds its
store with three small requests, which are not measured). A measuring process whose only child
is that run reads the child's peak resident memory from getrusage; the wall-clock seconds and
the reply's bytes (standard output) are measured around the run. The floods (rows 1 to 5) must
end, answered or refused, in well under a minute at no more than 1.5 GB; a large reply that is
answered (rows 6 and 7; row 8 lists more than an expansion may) should cost about its own size
above the peak of a trivial request (row 9).

Every run is capped, so that a row far over its target cannot exhaust the shared machine: its
address space (RLIMIT_AS, --address-cap GiB) and its processor time (RLIMIT_CPU, --cpu-cap
seconds). A run stopped by a cap is reported as such.

Usage: bench/large_replies.py [--build build/release] [--rows 1 4] [--address-cap 4] [--cpu-cap 120]
"""

import argparse
import json
import os
import re
import resource
import subprocess
import sys
import tempfile
import time

DATA = "Cad-2007-01-DataManagement"
STRUCTURE = "Cad-2007-01-StructureManagement"
MB = 1000 * 1000
GIB = 1024 * 1024 * 1024

# The parts of the structure row: LEVELS levels, each part holding the next one twice.
LEVELS = int(os.environ.get("LEVELS", "27"))  # Another number through the environment.


def write(path, text):
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


def alternate_ids(pattern_bytes):
    pattern = "P" * (pattern_bytes - 6) + "######"
    return ('<GenerateAlternateIdsInput><input altIdType="CADAltId" count="100000" '
            'pattern="%s"><idContext uid="i.000100"/><parentAltId uid=""/></input>'
            '</GenerateAlternateIdsInput>' % pattern)


def objects_times_filters(root, uid, relation, type_name, count=2000):
    return ("<%s>" % root + '<object uid="%s"/>' % uid * count + '<pref expItemRev="false">' +
            ('<info relationName="%s"><objectTypeName>%s</objectTypeName></info>'
             % (relation, type_name)) * count + "</pref></%s>" % root)


def folders(megabytes):
    """expandPrimaryObjects of the gearbox folder, named again and again up to `megabytes` MB,
    through its "contents" (four items and the archive folder)."""
    head = "<ExpandPrimaryObjectsInput>"
    tail = ('<pref expItemRev="false"><info relationName="contents">'
            "<objectTypeName>Part</objectTypeName><objectTypeName>Document</objectTypeName>"
            "<objectTypeName>Folder</objectTypeName></info></pref></ExpandPrimaryObjectsInput>")
    item = '<object uid="f.gearbox"/>'
    count = (megabytes * MB - len(head) - len(tail)) // len(item)
    return head + item * count + tail


def build_structure(program, store, folder):
    """Builds LEVELS parts, each holding the next one twice, and opens a window on the first;
    the expansion request of the top line."""
    def send(service, operation, text):
        path = os.path.join(folder, operation + ".xml")
        write(path, text)
        result = subprocess.run([program, "--store", store, service, operation, path],
                                capture_output=True, text=True, check=False)
        if result.returncode != 0:
            sys.exit("building the structure failed: %s %s" % (operation, result.stderr))
        return result.stdout

    parts = "".join('<info clientId="p%d"><itemInput itemType="Part" itemId="L%03d" name="L%d"/>'
                    '<itemRevInput revId="A"/></info>' % (k, k, k) for k in range(LEVELS))
    reply = send(DATA, "createOrUpdateParts",
                 "<CreateOrUpdatePartsInput>%s</CreateOrUpdatePartsInput>" % parts)
    revisions = re.findall(r'<itemRev uid="([^"]*)"', reply)
    if len(revisions) != LEVELS:
        sys.exit("building the structure failed: %d revisions made" % len(revisions))
    levels = "".join('<input precise="false"><parent uid="%s"/>' % revisions[k] +
                     "".join('<childInfo clientId="c%d.%d" cadOccId="o%d.%d"><child uid="%s"/>'
                             '<occInfo asRequired="false"/></childInfo>'
                             % (k, n, k, n, revisions[k + 1]) for n in range(2)) + "</input>"
                     for k in range(LEVELS - 1))
    send(STRUCTURE, "createOrUpdateRelativeStructure",
         '<CreateOrUpdateRelativeStructureInput complete="false" bomViewTypeName="view">%s'
         '<pref cadOccIdAttrName=""><itemType>Part</itemType></pref>'
         "</CreateOrUpdateRelativeStructureInput>" % levels)
    reply = send(STRUCTURE, "createBOMWindows",
                 '<CreateBOMWindowsInput><info clientId="top"><itemRev uid="%s"/>'
                 '<revRuleConfigInfo clientId="r"><revRule uid="rr.latest"/>'
                 '<props today="false" unitNo="-1"/></revRuleConfigInfo></info>'
                 "</CreateBOMWindowsInput>" % revisions[0])
    top = re.search(r'<bomLine uid="([^"]*)"', reply).group(1)
    return ('<ExpandPSAllLevelsInput><input excludeFilter="None"><parentBomLine uid="%s"/>'
            '</input><pref expItemRev="false"/></ExpandPSAllLevelsInput>' % top)


# Each row: (label, service, operation, request(program, store, folder) -> text, kind).
ROWS = [
    ("generateAlternateIds, count 100,000, 10 KB pattern", DATA, "generateAlternateIds",
     lambda *_: alternate_ids(10000), "flood"),
    ("generateAlternateIds, count 100,000, 1 KB pattern", DATA, "generateAlternateIds",
     lambda *_: alternate_ids(1000), "flood"),
    ("expandPrimaryObjects, 2,000 objects x 2,000 filters", DATA, "expandPrimaryObjects",
     lambda *_: objects_times_filters("ExpandPrimaryObjectsInput", "r.000101.A", "items_tag",
                                      "Part"), "flood"),
    ("expandGRMRelations, 2,000 objects x 2,000 filters", DATA, "expandGRMRelations",
     lambda *_: objects_times_filters("ExpandGRMRelationsInput", "r.000101.A",
                                      "ZOLT_specification", "CADModel"), "flood"),
    ("expandPSAllLevels, %d levels of two" % LEVELS, STRUCTURE, "expandPSAllLevels",
     build_structure, "flood"),
    ("expandPrimaryObjects, 8 MB of the gearbox folder", DATA, "expandPrimaryObjects",
     lambda *_: folders(8), "answered"),
    ("expandPrimaryObjects, 12 MB of the gearbox folder", DATA, "expandPrimaryObjects",
     lambda *_: folders(12), "answered"),
    ("expandPrimaryObjects, 32 MB of the gearbox folder", DATA, "expandPrimaryObjects",
     lambda *_: folders(32), "answered"),
    ("a trivial request (the baseline)", DATA, "getAvailableTypes",
     lambda *_: "<GetAvailableTypesInput/>", "answered"),
]


def run_once(program, store, service, operation, path, address_cap, cpu_cap):
    """One capped run, in a process whose only child is that run: a JSON line of exit status,
    peak bytes, wall seconds, reply bytes and the first line of standard error."""
    def caps():
        resource.setrlimit(resource.RLIMIT_AS, (address_cap, address_cap))
        resource.setrlimit(resource.RLIMIT_CPU, (cpu_cap, cpu_cap + 5))

    command = [program] + (["--store", store] if store else []) + [service, operation, path]
    reply_bytes = 0
    start = time.monotonic()
    with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          preexec_fn=caps) as child:
        while True:
            piece = child.stdout.read(1 << 20)
            if not piece:
                break
            reply_bytes += len(piece)
        error = child.stderr.read().decode(errors="replace").strip().splitlines()
        status = child.wait()
    seconds = time.monotonic() - start
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    print(json.dumps({"status": status, "peak": usage.ru_maxrss * 1024, "seconds": seconds,
                      "reply": reply_bytes, "reason": error[0][:300] if error else ""}))


def outcome(result):
    if result["status"] == 0:
        return "answered"
    if result["status"] < 0 or "out of memory" in result["reason"]:
        return "over cap"
    return "refused" if result["status"] == 1 else "status %d" % result["status"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--rows", type=int, nargs="+", help="row numbers (1-based); all by default")
    parser.add_argument("--address-cap", type=float, default=4, help="GiB")
    parser.add_argument("--cpu-cap", type=int, default=120)
    parser.add_argument("--one", nargs=7, help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.one:
        program, store, service, operation, path, address_cap, cpu_cap = options.one
        run_once(program, store, service, operation, path, int(address_cap), int(cpu_cap))
        return
    program = os.path.join(options.build, "bin", "soacad-host")
    if not os.access(program, os.X_OK):
        sys.exit("no program at %s: build the release preset first" % program)
    print("soacad-host on requests with large replies (load average %.2f)" % os.getloadavg()[0])
    print("%-3s %-56s %-9s %11s %12s %9s %8s" % ("row", "request", "outcome", "bytes",
                                               "reply bytes", "peak MB", "seconds"))
    for number in options.rows or range(1, len(ROWS) + 1):
        label, service, operation, make, _ = ROWS[number - 1]
        with tempfile.TemporaryDirectory() as folder:
            store = os.path.join(folder, "store.xml") if make is build_structure else ""
            path = os.path.join(folder, "request.xml")
            write(path, make(program, store, folder))
            output = subprocess.run(
                [sys.executable, __file__, "--one", program, store, service, operation, path,
                 str(int(options.address_cap * GIB)), str(options.cpu_cap)],
                capture_output=True, text=True, check=True)
            result = json.loads(output.stdout)
            print("%-3d %-56s %-9s %11d %12d %9.1f %8.2f" % (
                number, label, outcome(result), os.path.getsize(path), result["reply"],
                result["peak"] / 1e6, result["seconds"]))
            if result["reason"]:
                print("    %s" % result["reason"][:200])
            sys.stdout.flush()


if __name__ == "__main__":
    main()
