#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Reads back a trace written by tests/profile/child/ZoneChild.cpp with
independent readers (json, csv, xml.dom.minidom, html5lib) and checks it and
oryx-profile's views of it against the known workload.

usage: check_trace.py workload|crash|stall TRACE ORYX_PROFILE"""
import collections
import csv
import io
import json
import subprocess
import sys
import xml.dom.minidom

import html5lib

MODE, TRACE, TOOL = sys.argv[1:4]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def tool(*args):
    run = subprocess.run([TOOL, *args, TRACE], capture_output=True, check=True)
    return run.stdout.decode("utf-8")


def spans(events):
    return [e for e in events if e["ph"] == "X"]


def check_nesting(events):
    by_thread = collections.defaultdict(list)
    for e in spans(events):
        by_thread[e["tid"]].append(e)
    for tid, zones in by_thread.items():
        zones.sort(key=lambda e: (e["ts"], -e["dur"]))
        open_ends = []
        for e in zones:
            while open_ends and open_ends[-1] <= e["ts"]:
                open_ends.pop()
            end = e["ts"] + e["dur"]
            check(not open_ends or end <= open_ends[-1] + 0.001, f"thread {tid}: {e['name']} overlaps its parent")
            open_ends.append(end)


def check_views(events):
    """The summary agrees with the trace, folded stacks with the self times,
    the SVG is XML naming every name, the timeline is HTML5."""
    totals = collections.defaultdict(float)
    counts = collections.Counter()
    for e in spans(events):
        totals[e["name"]] += e["dur"]
        counts[e["name"]] += 1
    summary = json.loads(tool("summary", "--json"))
    check({row["name"]: row["count"] for row in summary} == dict(counts), "summary counts differ from the trace")
    for row in summary:
        check(abs(row["total_us"] - totals[row["name"]]) < 0.01 * row["count"], f"summary total of {row['name']}")
    table = list(csv.DictReader(io.StringIO(tool("summary", "--csv", "--by-thread"))))
    check(sum(int(row["count"]) for row in table) == sum(counts.values()), "per-thread csv counts")
    check(len(tool("summary").splitlines()) == len(summary) + 1, "table rows")
    folded = [line.rsplit(" ", 1) for line in tool("folded").splitlines()]
    self_total = sum(row["self_us"] for row in summary)
    check(abs(sum(int(n) for _, n in folded) - self_total) <= len(folded), "folded total is not the self total")
    svg = xml.dom.minidom.parseString(tool("flamegraph").encode("utf-8"))
    titles = " ".join(t.firstChild.data for t in svg.getElementsByTagName("title") if t.firstChild)
    for name in counts:
        shown = "".join("?" if ord(c) < 0x20 else c for c in name).replace(";", ":")
        check(shown in titles, f"flame graph lacks {name!r}")
    html5lib.HTMLParser(strict=True).parse(tool("timeline"))
    return folded


def workload():
    with open(TRACE, encoding="utf-8") as f:
        events = json.load(f)  # a clean exit closes the array
    check_nesting(events)
    minimum = {"inner": 1000, "middle": 2000, "outer": 4000}
    per = collections.Counter()
    names = {e["tid"]: e["args"]["name"] for e in events if e["ph"] == "M" and e["name"] == "thread_name"}
    for e in events:
        if e["ph"] in "Xi":
            per[(names.get(e["tid"]), e["name"], e["ph"])] += 1
        if e["name"] in minimum:
            check(minimum[e["name"]] <= e["dur"] < minimum[e["name"]] + 250000, f"{e['name']} lasted {e['dur']} us")
    for t in range(8):
        worker = f"worker-{t}"
        for name in ("outer", "middle", "inner", f"round-{t}"):
            check(per[(worker, name, "X")] == 5, f"{worker} has {per[(worker, name, 'X')]} {name}")
        check(per[(worker, "checkpoint", "i")] == 5, f"{worker} checkpoints")
    check(per[("worker-0", 'say "hi"\\ \x01\n', "X")] == 1, "escaped name")
    check(per[("worker-0", "bad \ufffd\ufffd utf8", "X")] == 1, "malformed UTF-8 not replaced")
    check(len(spans(events)) == 8 * 5 * 4 + 2, "no other span")
    folded = check_views(events)
    check(any(stack.endswith(";outer;middle;inner") for stack, _ in folded), "no round;outer;middle;inner stack")


def crash():
    with open(TRACE, encoding="utf-8") as f:
        text = f.read()
    check(text.endswith(",\n"), "a killed process's trace ends with a whole event")
    events = json.loads(text.rstrip().rstrip(",") + "]")
    check(sum(e["name"] == "before crash" for e in events) == 2000, "events written before the kill")
    check_views(events)


def stall():
    with open(TRACE, encoding="utf-8") as f:
        events = json.load(f)
    written = sum(e["name"] == "stalled" for e in events)
    dropped = [e["args"]["count"] for e in events if e["name"] == "dropped_events_total"]
    check(dropped and dropped[0] > 0, "a stalled writer made no drops")
    check(dropped and written + dropped[0] == 100000, f"{written} written + {dropped} dropped")


{"workload": workload, "crash": crash, "stall": stall}[MODE]()
for failure in failures:
    print("check_trace:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
