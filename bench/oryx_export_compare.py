#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""oryx-export beside the usual CSV tools: CPU seconds and peak memory per
output format, on one generated table (default 1,000,000 rows x 8 columns).

Tools, each converting the same CSV file:
  oryx-export  -f csv | json | ndjson (and .gz / .zst outputs)
  python       the csv module reading, csv / json writing a row at a time
  miller       mlr --icsv --ocsv | --ojson | --ojsonl cat   (if installed)
  csvkit       csvformat | csvjson | csvjson --stream        (if installed)
CPU time is user + system of the child (steadier than wall time on a shared
machine); peak memory is GNU time's maximum resident set. Best of --repeat
runs for oryx-export and python; one run for miller and csvkit, which take
far longer.
Goals: CSV -> CSV at most 0.5 CPU-s for 1M rows; every format ahead of
every other tool.
Usage: bench/oryx_export_compare.py [--build build] [--rows 1000000] [--repeat 3]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

PY_CSV = (
    "import csv,sys\n"
    "with open(sys.argv[1], newline='', encoding='utf-8') as i, open(sys.argv[2], 'w', newline='', encoding='utf-8') as o:\n"
    "    w = csv.writer(o, lineterminator='\\n')\n"
    "    for row in csv.reader(i): w.writerow(row)\n")
PY_JSON = (
    "import csv,json,sys\n"
    "lines = sys.argv[3] == 'ndjson'\n"
    "with open(sys.argv[1], newline='', encoding='utf-8') as i, open(sys.argv[2], 'w', encoding='utf-8') as o:\n"
    "    sep = '' if lines else '['\n"
    "    for row in csv.DictReader(i):\n"
    "        o.write(sep + json.dumps(row, ensure_ascii=False) + ('\\n' if lines else ''))\n"
    "        sep = '' if lines else ',\\n'\n"
    "    if not lines: o.write(']\\n')\n")


def generate(path, rows):
    words = ["Z\u00fcrich", "\u6771\u4eac", "S\u00e3o Paulo", "plain", "Krak\u00f3w", "\uc11c\uc6b8"]
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("id,city,amount,note,flag,day,code,count\n")
        for i in range(rows):
            note = ('"with, comma"' if i % 3 == 0 else '"say ""hi"""' if i % 3 == 1 else "no quoting needed")
            f.write("%d,%s,%d.%02d,%s,%s,2024-%02d-%02d,C%d,%d\n" % (
                i, words[i % 6], i * 7 % 100000, i % 100, note, "yes" if i % 2 else "no",
                i % 12 + 1, i % 28 + 1, i % 7919, i % 1000))


def measure(command, output):
    """CPU seconds (user + system) and peak resident MB of one run."""
    with tempfile.NamedTemporaryFile("r") as peak, open(output, "wb") as out:
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name] + command,
                                 stdout=out, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError("failed: %s" % " ".join(command))
        return usage.ru_utime + usage.ru_stime, int(peak.read().split()[-1]) / 1024.0


def best(command, output, repeat):
    runs = [measure(command, output) for _ in range(repeat)]
    return min(r[0] for r in runs), max(r[1] for r in runs)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--rows", type=int, default=1000000)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    tool = os.path.join(args.build, "tools", "oryx-export")
    mlr, csvformat, csvjson = shutil.which("mlr"), shutil.which("csvformat"), shutil.which("csvjson")

    results = {}  # (format, tool) -> (cpu s, peak MB)
    with tempfile.TemporaryDirectory(prefix="oryx-export-compare-") as work:
        source = os.path.join(work, "in.csv")
        generate(source, args.rows)
        print("input: %d rows x 8 columns, %.1f MB" % (args.rows, os.path.getsize(source) / 1e6))
        out = os.path.join(work, "out")
        for fmt in ("csv", "json", "ndjson"):
            results[fmt, "oryx-export"] = best([tool, "-q", "-f", fmt, "-o", "-", source], out, args.repeat)
            script = PY_CSV if fmt == "csv" else PY_JSON
            results[fmt, "python"] = best([sys.executable, "-c", script, source, "/dev/stdout", fmt], out,
                                          args.repeat)
            if mlr:
                flag = {"csv": "--ocsv", "json": "--ojson", "ndjson": "--ojsonl"}[fmt]
                results[fmt, "miller"] = best([mlr, "--icsv", flag, "cat", source], out, 1)
            if csvformat and csvjson:
                command = {"csv": [csvformat], "json": [csvjson, "-I"], "ndjson": [csvjson, "-I", "--stream"]}[fmt]
                results[fmt, "csvkit"] = best(command + [source], out, 1)
        for suffix in (".gz", ".zst"):
            for fmt in ("csv", "ndjson"):
                target = os.path.join(work, "out." + fmt + suffix)
                results[fmt + suffix, "oryx-export"] = best([tool, "-q", "-f", fmt, "-o", target, source],
                                                            os.devnull, args.repeat)

    tools = ["oryx-export", "python", "miller", "csvkit"]
    print("%-11s" % "format" + "".join("%22s" % t for t in tools))
    print("%-11s" % "" + "".join("%22s" % "CPU s / peak MB" for _ in tools))
    for fmt in ("csv", "json", "ndjson", "csv.gz", "ndjson.gz", "csv.zst", "ndjson.zst"):
        cells = []
        for name in tools:
            cell = results.get((fmt, name))
            cells.append("%22s" % ("%.2f / %.0f" % cell if cell else "-"))
        print("%-11s" % fmt + "".join(cells))
    missed = []
    scale = args.rows / 1e6
    if results["csv", "oryx-export"][0] > 0.5 * scale:
        missed.append("csv -> csv above 0.5 CPU-s per million rows")
    for (fmt, name), (cpu, _) in results.items():
        if name != "oryx-export" and cpu <= results[fmt, "oryx-export"][0]:
            missed.append("%s: %s is as fast" % (fmt, name))
    print("goals: " + ("met" if not missed else "MISSED: " + "; ".join(missed)))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
