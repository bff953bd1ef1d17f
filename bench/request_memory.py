#!/usr/bin/env python3
"""Peak memory of the host program per request byte.

Sends requests to the soacad-host program, one request per run, and reports the program's peak
resident memory (getrusage of the child) less that of a run with a trivial request of the same
operation (its root element alone: the program, the library and the demo store), per request
byte; the whole peak is given too. Each figure is the median of --runs runs. Three parts:

- alternate-ids: generateAlternateIds requests of 8, 32 and 100 MB (inputs of count 0 and of
  count 1). Target: at most 6 bytes above a trivial request's per request byte.
- least-text: for each of the 21 operations, requests of --counts inputs with the least text an
  input can have (a record's element alone, or an object reference by its UID alone), whose
  records outweigh their text the most. The peak includes what the service does with them
  (createOrUpdateParts makes an item for each bare input). Each must be answered: none may be
  refused by the bound on what reading a request holds.
- shapes: the valid requests that the earlier budget of 8 times the text (plus 256 KiB) refused:
  renamings and datasets of createOrUpdateParts, windows under a dated rule. Each must be
  answered.

Each run's address space is capped (16 times the request plus 1 GiB, and at least 3 GiB), so
that a request far over its target cannot exhaust the shared machine; a run stopped by the cap is
reported as "over cap", and any row not answered makes the script fail at the end.

Usage: bench/request_memory.py [--build build/release] [--parts alternate-ids least-text shapes]
                               [--sizes 8 32 100] [--counts 1000 10000 100000] [--runs 3]
"""

import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile

SERVICE = "Cad-2007-01-DataManagement"
OPERATION = "generateAlternateIds"
DATA = SERVICE
STRUCTURE = "Cad-2007-01-StructureManagement"
CONFIGURED = "Cad-2007-06-StructureManagement"
GIB = 1024 * 1024 * 1024

# Each operation: service, name, root element, text before the inputs, one input, text after.
# An operation without inputs has none and is sent once.
LEAST_TEXT = [
    (DATA, "getAvailableTypes", "GetAvailableTypesInput", "", "<classe/>", ""),
    (DATA, "generateAlternateIds", "GenerateAlternateIdsInput", "", "<input/>", ""),
    (DATA, "createOrUpdateParts", "CreateOrUpdatePartsInput", "", "<info/>", ""),
    (DATA, "expandGRMRelations", "ExpandGRMRelationsInput", "", '<object uid="i.000100"/>', ""),
    (DATA, "expandPrimaryObjects", "ExpandPrimaryObjectsInput", "", '<object uid="r.000100.B"/>',
     ""),
    (DATA, "expandFoldersForCAD", "ExpandFoldersForCADInput", "", '<folder uid="f.gearbox"/>', ""),
    (DATA, "createOrUpdateRelations", "CreateOrUpdateRelationsInput", "", "<info/>", ""),
    (DATA, "getAllAttrMappings", "GetAllAttrMappingsInput", "", "", ""),
    (DATA, "getAttrMappingsForDatasetType", "GetAttrMappingsForDatasetTypeInput", "", "<info/>", ""),
    (DATA, "resolveAttrMappingsForDataset", "ResolveAttrMappingsForDatasetInput", "", "<info/>", ""),
    (STRUCTURE, "createOrUpdateRelativeStructure", "CreateOrUpdateRelativeStructureInput", "",
     "<input/>", ""),
    (STRUCTURE, "deleteRelativeStructure", "DeleteRelativeStructureInput", "", "<input/>", ""),
    (STRUCTURE, "createOrUpdateAbsoluteStructure", "CreateOrUpdateAbsoluteStructureInput", "",
     "<info/>", ""),
    (STRUCTURE, "expandPSOneLevel", "ExpandPSOneLevelInput", "<input>",
     '<parentBomLine uid="bl.1.top"/>', "</input>"),
    (STRUCTURE, "expandPSAllLevels", "ExpandPSAllLevelsInput", "<input>",
     '<parentBomLine uid="bl.1.top"/>', "</input>"),
    (STRUCTURE, "createBOMWindows", "CreateBOMWindowsInput", "", "<info/>", ""),
    (STRUCTURE, "closeBOMWindows", "CloseBOMWindowsInput", "", '<bomWindow uid="bw.1"/>', ""),
    (STRUCTURE, "deleteAssemblyArrangements", "DeleteAssemblyArrangementsInput", "", "<info/>", ""),
    (STRUCTURE, "getRevisionRules", "GetRevisionRulesInput", "", "", ""),
    (STRUCTURE, "getVariantRules", "GetVariantRulesInput", "", '<itemRev uid="r.000100.B"/>', ""),
    (CONFIGURED, "getConfiguredItemRevision", "GetConfiguredItemRevisionInput", "", "<input/>",
     ""),
]

# Each shape: label, service, operation, root element, input(i) for i = 1, 2, ..., counts.
SHAPES = [
    ("renaming part and new revision", DATA, "createOrUpdateParts", "CreateOrUpdatePartsInput",
     lambda i: ('<info clientId="c%d"><itemInput name="renamed%d"><item uid="i.000101"/>'
                '</itemInput><itemRevInput revId="R%d"/></info>' % (i, i, i)),
     (1250, 2000, 5000)),
    ("new dataset of r.000101.A", DATA, "createOrUpdateParts", "CreateOrUpdatePartsInput",
     lambda i: ('<info clientId="c%d"><itemRevInput><itemRevision uid="r.000101.A"/>'
                '</itemRevInput><datasetInput clientId="t" itemRevRelationName='
                '"ZOLT_specification" type="CADModel" name="n%d"/></info>' % (i, i)),
     (1250,)),
    ("window under a dated rule", STRUCTURE, "createBOMWindows", "CreateBOMWindowsInput",
     lambda i: ('<info clientId="w%d"><item uid="i.000100"/><itemRev uid="r.000100.B"/>'
                '<revRuleConfigInfo clientId="r"><revRule uid="rr.latest"/><props today="true" '
                'unitNo="-1"/></revRuleConfigInfo></info>' % i),
     (800, 1000, 1200, 1400, 1500, 1600, 1800)),
]


def request(path, count, megabytes):
    """Writes a request of about `megabytes` MB: inputs of `count` ids for the demo item."""
    limit = megabytes * 1024 * 1024
    with open(path, "w", encoding="ascii") as out:
        out.write("<GenerateAlternateIdsInput>")
        written = 27
        i = 0
        while written < limit:
            element = ('<input altIdType="CADAltId" count="%d" pattern="GBX-%d-######">'
                       '<idContext uid="i.000100"/><parentAltId uid=""/></input>'
                       % (count, i % 97))
            out.write(element)
            written += len(element)
            i += 1
        out.write("</GenerateAlternateIdsInput>")
    return os.path.getsize(path)


def write(path, text):
    with open(path, "w", encoding="ascii") as out:
        out.write(text)
    return os.path.getsize(path)


def peak_bytes(program, service, operation, path):
    """Peak resident bytes and exit status of one run of the program on the request at `path`;
    called in a process of its own, whose only child is that run."""
    cap = max(16 * os.path.getsize(path) + GIB, 3 * GIB)

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (cap, cap))

    with open(path, "rb") as text:
        result = subprocess.run([program, service, operation, "-"], stdin=text,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False,
                                preexec_fn=limit)
    reason = result.stderr.decode(errors="replace").strip().splitlines()
    return "%d %d %s" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024,
                         result.returncode, reason[0][:200] if reason else "")


def measure(program, service, operation, path, runs):
    """Median peak over `runs` runs, each in a fresh measuring process, with the last run's
    outcome: "answered", "fault" (the service's own), "refused" (the request was not read) or
    "over cap"."""
    peaks = []
    for _ in range(runs):
        output = subprocess.run([sys.executable, __file__, "--one", program, service, operation,
                                 path], capture_output=True, text=True, check=True)
        peak, status, reason = (output.stdout.strip().split(" ", 2) + [""])[:3]
        peaks.append(int(peak))
    status = int(status)
    if status == 0:
        outcome = "answered"
    elif status < 0 or "bad_alloc" in reason:
        outcome = "over cap"
    elif "cannot be read" in reason:
        outcome = "refused"
    else:
        outcome = "fault"
    return statistics.median(peaks), outcome


class Table:
    """Rows of one part: peak above the operation's trivial request, per request byte."""

    def __init__(self, program, folder, runs):
        self.program = program
        self.folder = folder
        self.runs = runs
        self.baselines = {}
        self.failed = []

    def baseline(self, service, operation, root):
        if (service, operation) not in self.baselines:
            path = os.path.join(self.folder, "trivial.xml")
            write(path, "<%s/>" % root)
            self.baselines[(service, operation)] = measure(self.program, service, operation, path,
                                                           self.runs)[0]
        return self.baselines[(service, operation)]

    def row(self, label, service, operation, root, path, size, trivial=False):
        """One request (`trivial`: it is the trivial request, whose peak is the baseline)."""
        base = self.baseline(service, operation, root)
        peak, outcome = measure(self.program, service, operation, path, self.runs)
        if outcome not in ("answered", "fault"):
            self.failed.append(label)
        above = "-" if trivial else "%.2f" % ((peak - base) / size)
        print("%-52s %-9s %11d %9.1f %10s" % (label, outcome, size, peak / 1e6, above))
        sys.stdout.flush()
        return peak, base


def header(title):
    print()
    print(title)
    print("%-52s %-9s %11s %9s %10s" % ("request", "outcome", "bytes", "peak MB", "above/byte"))


def alternate_ids(table, sizes):
    header("%s %s, inputs of count 0 and 1 (target: at most 6 above a trivial request's per "
           "request byte)" % (SERVICE, OPERATION))
    worst = 0.0
    for megabytes in sizes:
        for count in (0, 1):
            path = os.path.join(table.folder, "request.xml")
            size = request(path, count, megabytes)
            peak, base = table.row("%d MB, count %d" % (megabytes, count), SERVICE, OPERATION,
                                   "GenerateAlternateIdsInput", path, size)
            worst = max(worst, (peak - base) / size)
    print("worst peak above a trivial request's, per request byte: %.2f (target: at most 6)"
          % worst)


def least_text(table, counts):
    header("least text per input, each operation (every row answered: none refused)")
    for service, operation, root, before, one, after in LEAST_TEXT:
        for count in counts if one else (1,):
            path = os.path.join(table.folder, "request.xml")
            size = write(path, "<%s>%s%s%s</%s>" % (root, before, one * count, after, root)
                         if one else "<%s/>" % root)
            table.row("%s, %d inputs" % (operation, count if one else 0), service, operation,
                      root, path, size, trivial=not one)


def shapes(table):
    header("valid requests the earlier budget refused (every row answered)")
    for label, service, operation, root, one, counts in SHAPES:
        for count in counts:
            path = os.path.join(table.folder, "request.xml")
            size = write(path, "<%s>%s</%s>" % (root, "".join(one(i) for i in range(1, count + 1)),
                                                root))
            table.row("%s, %d inputs" % (label, count), service, operation, root, path, size)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--parts", nargs="+", default=["alternate-ids", "least-text", "shapes"],
                        choices=["alternate-ids", "least-text", "shapes"])
    parser.add_argument("--sizes", type=int, nargs="+", default=[8, 32, 100])
    parser.add_argument("--counts", type=int, nargs="+", default=[1000, 10000, 100000])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--one", nargs=4, help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.one:
        print(peak_bytes(*options.one))
        return
    program = os.path.join(options.build, "bin", "soacad-host")
    if not os.access(program, os.X_OK):
        sys.exit("no program at %s: build it first" % program)
    print("soacad-host, peak resident memory against request bytes (median of %d runs); "
          "above/byte: the peak above a trivial request of the same operation, per request byte"
          % options.runs)
    with tempfile.TemporaryDirectory() as folder:
        table = Table(program, folder, options.runs)
        if "alternate-ids" in options.parts:
            alternate_ids(table, options.sizes)
        if "least-text" in options.parts:
            least_text(table, options.counts)
        if "shapes" in options.parts:
            shapes(table)
    if table.failed:
        sys.exit("not answered: " + "; ".join(table.failed))


if __name__ == "__main__":
    main()
