#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Speed and memory of oryx-export on a generated 1,000,000-row (~60 MB) CSV.

Measured in one run, on the same input, best of --repeat runs each:
  floor   oryx-export-floor: the tool's CSV output written with one write(2)
          per record (what a writer that flushes every record cannot avoid);
  python  csv.reader -> csv.writer round trip (standard library, no flush per row);
  tool    oryx-export --format csv | html | xml | txt (txt with --encoding UTF-8).
Ratios are of CPU time (user + system), steadier than wall time on a shared machine.
Part sets (--part-files N, 0 skips): oryx-export --part-size 1 over N rows against a
floor that writes the same N files with one write each under temporary names,
syncs once and renames them into place; wall time, as syncing is waiting.
Goals: csv <= 1.3 x floor; html, xml and txt at least 2 x faster than python;
N = 100000 parts in under 60 s.
Usage: bench/oryx_export_bench.py [--build build] [--rows 1000000] [--repeat 3] [--part-files 100000]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

PY_ROUND_TRIP = (
    "import csv,sys\n"
    "with open(sys.argv[1], newline='', encoding='utf-8') as i, "
    "open(sys.argv[2], 'w', newline='', encoding='utf-8') as o:\n"
    "    w = csv.writer(o, lineterminator='\\n')\n"
    "    for row in csv.reader(i): w.writerow(row)\n")


def generate(path, rows):
    words = ["Z\u00fcrich", "\u6771\u4eac", "S\u00e3o Paulo", "plain", "Krak\u00f3w", "\uc11c\uc6b8"]
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("id,city,amount,note,flag,day\n")
        for i in range(rows):
            note = ('"with, comma"' if i % 3 == 0 else
                    '"say ""hi"""' if i % 3 == 1 else "no quoting needed here")
            f.write("%d,%s,%d.%02d,%s,%s,2024-%02d-%02d\n" % (
                i, words[i % 6], i * 7 % 100000, i % 100, note, "yes" if i % 2 else "no",
                i % 12 + 1, i % 28 + 1))


def measure(command):
    """Wall seconds, CPU seconds (user + system) and peak resident MB of one child."""
    # A child forked from this interpreter would count its copied memory as
    # its own peak: GNU time, a small process, reports the real one.
    with tempfile.NamedTemporaryFile("r") as peak:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name] + command,
                                 stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError("failed: %s" % " ".join(command))
        peak_mb = int(peak.read().split()[-1]) / 1024.0
    return wall, usage.ru_utime + usage.ru_stime, peak_mb


PARTS_FLOOR = (
    "import os,sys\n"
    "rows = open(sys.argv[1], 'rb').read().split(b'\\n')\n"
    "out = sys.argv[2]; os.makedirs(out + '/tmp')\n"
    "for i, row in enumerate(rows[1:-1]):\n"
    "    fd = os.open('%s/tmp/%d' % (out, i), os.O_WRONLY | os.O_CREAT, 0o644)\n"
    "    os.write(fd, rows[0] + b'\\n' + row + b'\\n'); os.close(fd)\n"
    "os.sync()\n"
    "for i in range(len(rows) - 2): os.rename('%s/tmp/%d' % (out, i), '%s/n-%d.csv' % (out, i + 1))\n")


def measure_parts(tool, work, rows, repeat):
    """Best wall seconds of the tool and of the floor writing `rows` one-row parts."""
    source = os.path.join(work, "parts.csv")
    with open(source, "w") as f:
        f.write("id,name\n" + "".join("%d,row %d\n" % (i, i) for i in range(rows)))
    tool_s, floor_s = [], []
    for run in range(repeat):
        out = os.path.join(work, "parts-%d" % run)
        start = time.perf_counter()
        subprocess.run([tool, "-q", "--part-size", "1", "-o", out + "/n.csv", source], check=True)
        tool_s.append(time.perf_counter() - start)
        start = time.perf_counter()
        subprocess.run([sys.executable, "-c", PARTS_FLOOR, source, out + "-floor"], check=True)
        floor_s.append(time.perf_counter() - start)
        subprocess.run(["rm", "-rf", out, out + "-floor"], check=True)
    return min(tool_s), min(floor_s)


def best(command, repeat):
    runs = [measure(command) for _ in range(repeat)]
    return min(r[0] for r in runs), min(r[1] for r in runs), max(r[2] for r in runs)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rows", type=int, default=1000000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--part-files", dest="parts", type=int, default=100000)
    args = parser.parse_args()
    tool = os.path.join(args.build, "tools", "oryx-export")
    floor = os.path.join(args.build, "bench", "oryx-export-floor")
    formats = subprocess.run([tool, "--list-formats"], capture_output=True, text=True,
                             check=True).stdout.split()

    with tempfile.TemporaryDirectory(prefix="oryx-export-bench-") as work:
        source = os.path.join(work, "in.csv")
        generate(source, args.rows)
        print("input: %d rows, %.1f MB" % (args.rows, os.path.getsize(source) / 1e6))
        # The floor writes exactly the bytes of the tool's CSV output.
        reference = os.path.join(work, "reference.csv")
        subprocess.run([tool, "-o", reference, source], check=True, stdout=subprocess.DEVNULL)
        results = {"floor": best([floor, reference, os.path.join(work, "floor.out")], args.repeat),
                   "python": best([sys.executable, "-c", PY_ROUND_TRIP, source,
                                   os.path.join(work, "py.csv")], args.repeat)}
        for fmt in formats:
            extra = ["--encoding", "UTF-8", "--widths", "8,12,10,24,4,10"] if fmt == "txt" else []
            results[fmt] = best([tool, "-f", fmt, "-o", os.path.join(work, "out." + fmt), source] + extra,
                                args.repeat)
        parts = measure_parts(tool, work, args.parts, args.repeat) if args.parts > 0 else None

    # Ratios use CPU time: on a shared machine wall time mostly measures the
    # other processes. Wall time is shown beside it.
    floor_s, python_s = results["floor"][1], results["python"][1]
    print("%-8s %8s %8s %8s %9s %8s" % ("run", "wall s", "cpu s", "/ floor", "python /", "peak MB"))
    for name, (wall, cpu, peak) in results.items():
        print("%-8s %8.3f %8.3f %8.2f %9.2f %8.1f" % (name, wall, cpu, cpu / floor_s, python_s / cpu, peak))
    missed = []
    if "csv" in results and results["csv"][1] > 1.3 * floor_s:
        missed.append("csv is above 1.3 x the floor")
    for fmt in ("html", "xml", "txt"):
        if fmt in results and python_s / results[fmt][1] < 2.0:
            missed.append("%s is not 2 x faster than python" % fmt)
    if parts:
        print("parts    %d one-row parts: tool %.1f s wall, floor %.1f s, ratio %.2f" %
              (args.parts, parts[0], parts[1], parts[0] / parts[1]))
        if args.parts >= 100000 and parts[0] > 60.0:
            missed.append("%d parts took over 60 s" % args.parts)
    for fmt in ("html", "xml", "txt"):
        if fmt not in results:
            print("(%s: no writer in this build)" % fmt)
    print("goals: " + ("met" if not missed else "MISSED: " + "; ".join(missed)))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
