#!/usr/bin/env python3
"""Peak memory of the host program per request byte.

Sends generateAlternateIds requests of 8, 32 and 100 MB (inputs of count 0 and of count 1) to
the soacad-host program, one request per run, and reports the program's peak resident memory
(getrusage of the child) less that of a run with a request of a few bytes (the program, the
library and the demo store), per request byte; the whole peak is given too. Each figure is the
median of --runs runs. Target: at most 6 bytes above a trivial request's per request byte. Each
run's address space is capped (16 times the request plus 1 GiB), so that a request far over its
target cannot exhaust the shared machine; a run stopped by the cap fails the script.

Usage: bench/request_memory.py [--build build/release] [--sizes 8 32 100] [--runs 3]
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


def peak_bytes(program, path):
    """Peak resident bytes of one run of the program on the request at `path`; called in a
    process of its own, whose only child is that run."""
    cap = 16 * os.path.getsize(path) + 1024 * 1024 * 1024

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (cap, cap))

    with open(path, "rb") as text:
        result = subprocess.run([program, SERVICE, OPERATION, "-"], stdin=text,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False,
                                preexec_fn=limit)
    if result.returncode != 0:
        sys.exit("soacad-host failed: " + result.stderr.decode(errors="replace"))
    return resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024


def measure(program, path, runs):
    """Median peak over `runs` runs, each in a fresh measuring process."""
    peaks = []
    for _ in range(runs):
        output = subprocess.run([sys.executable, __file__, "--one", program, path],
                                capture_output=True, text=True, check=True)
        peaks.append(int(output.stdout))
    return statistics.median(peaks)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--sizes", type=int, nargs="+", default=[8, 32, 100])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--one", nargs=2, help=argparse.SUPPRESS)
    options = parser.parse_args()
    if options.one:
        print(peak_bytes(*options.one))
        return
    program = os.path.join(options.build, "bin", "soacad-host")
    if not os.access(program, os.X_OK):
        sys.exit("no program at %s: build it first" % program)
    with tempfile.TemporaryDirectory() as folder:
        small = os.path.join(folder, "small.xml")
        request(small, 0, 0)
        base = measure(program, small, options.runs)
        print("%s %s, peak resident memory against request bytes (median of %d runs)"
              % (SERVICE, OPERATION, options.runs))
        print("baseline (a request of a few bytes): %.1f MB" % (base / 1e6))
        print("%-8s %-6s %12s %12s %18s" % ("request", "count", "bytes", "peak MB",
                                            "above trivial/byte"))
        worst = 0.0
        for megabytes in options.sizes:
            for count in (0, 1):
                path = os.path.join(folder, "request.xml")
                size = request(path, count, megabytes)
                peak = measure(program, path, options.runs)
                above = (peak - base) / size
                worst = max(worst, above)
                print("%-8s %-6d %12d %12.1f %18.2f"
                      % ("%d MB" % megabytes, count, size, peak / 1e6, above))
        print("worst peak above a trivial request's, per request byte: %.2f (target: at most 6)"
              % worst)


if __name__ == "__main__":
    main()
