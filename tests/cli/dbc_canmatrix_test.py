#!/usr/bin/python3
"""Reads every CAN database fixture with canmatrix, an independent reader, and compares what it
finds with what `cravent-cli dbc FILE --json` reports: identifiers, extended flags, DLCs, names,
transmitters (BO_TX_BU_ included), and each signal's start bit, length, byte order, multiplexing,
receivers, value type (SIG_VALTYPE_), comment, value names (VAL_) and range ([0|0] is none).

canconvert writes the messages and signals to JSON (start bits as the file writes them, with
--jsonMotorolaBitFormat msb) and, to CSV, which node sends or receives each signal."""

import csv
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile



def canmatrix_view(dbc, work):
    out_json = os.path.join(work, "out.json")
    out_csv = os.path.join(work, "out.csv")
    for args in (["--jsonExportAll", "--jsonMotorolaBitFormat", "msb", dbc, out_json], [dbc, out_csv]):
        subprocess.run(["canconvert", "-s"] + args, check=True, capture_output=True)
    with open(out_json, encoding="utf-8") as f:
        data = json.load(f)
    # Node columns of the CSV: "s" sends, "r" receives, "r/s" both.
    roles = {}
    with open(out_csv, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    header = rows[0]
    first_node = header.index("is signed") + 1
    last_node = header.index("Name / Phys. Range")
    for row in rows[1:]:
        frame, signal = row[1], row[7]
        for column in range(first_node, last_node):
            role = row[column]
            node = header[column]
            if "s" in role:
                roles.setdefault((frame, None), set()).add(node)
            if "r" in role:
                roles.setdefault((frame, signal), set()).add(node)
    messages = {}
    for m in data["messages"]:
        if m["name"] == "VECTOR__INDEPENDENT_SIG_MSG":
            continue
        transmitters = roles.get((m["name"], None), set())
        signals = {}
        for s in m["signals"]:
            multiplex = s.get("multiplex")
            signals[s["name"]] = {
                "start": s["start_bit"],
                "length": s["bit_length"],
                "byteOrder": "big" if s["is_big_endian"] else "little",
                "signed": s["is_signed"],
                "multiplexing": "multiplexor" if multiplex == "Multiplexor"
                else "none" if multiplex is None else "multiplexed:%d" % multiplex,
                "receivers": sorted(roles.get((m["name"], s["name"]), set())),
                "valueType": ("float%d" % s["bit_length"]) if s["is_float"] else "integer",
                "comment": s["comment"] or "",
                "valueNames": {int(k): v for k, v in s["values"].items()},
                "range": None if float(s["min"]) == 0 and float(s["max"]) == 0
                else (float(s["min"]), float(s["max"])),
            }
        messages[m["name"]] = {
            "id": m["id"], "extended": m["is_extended_frame"], "dlc": m["length"],
            "transmitter": sorted(transmitters), "signals": signals,
        }
    return messages


def our_view(cli, dbc):
    data = json.loads(subprocess.run([cli, "dbc", dbc, "--json"], check=True,
                                     capture_output=True).stdout.decode("utf-8"))
    assert data["warningCount"] == 0, data["warnings"]
    messages = {}
    for m in data["messages"]:
        signals = {}
        for s in m["signals"]:
            multiplexing = s["multiplexing"]
            if multiplexing == "multiplexed":
                multiplexing = "multiplexed:%d" % s["multiplexValue"]
            signals[s["name"]] = {
                "start": s["start"], "length": s["length"], "byteOrder": s["byteOrder"],
                "signed": s["signed"], "multiplexing": multiplexing,
                "receivers": sorted(s["receivers"]),
                "valueType": s["valueType"],
                "comment": s["comment"],
                "valueNames": {v["raw"]: v["name"] for v in s["valueNames"]},
                "range": None if s["range"] is None
                else (float(s["range"]["minimum"]), float(s["range"]["maximum"])),
            }
        messages[m["name"]] = {
            "id": m["id"], "extended": m["extended"], "dlc": m["dlc"],
            "transmitter": sorted(([m["transmitter"]] if m["transmitter"] else [])
                                  + m["otherTransmitters"]),
            "signals": signals,
        }
    return messages


def main():
    cli, fixtures = sys.argv[1], sys.argv[2]
    if shutil.which("canconvert") is None:
        print("FAIL: canconvert is missing (Debian canmatrix-utils and python3-canmatrix, which "
              "scripts/install-deps.sh installs)")
        return 1
    files = sorted(glob.glob(os.path.join(fixtures, "*.dbc")))
    assert files, "no fixtures in " + fixtures
    failures = 0
    for dbc in files:
        with tempfile.TemporaryDirectory() as work:
            theirs = canmatrix_view(dbc, work)
        ours = our_view(cli, dbc)
        if ours != theirs:
            failures += 1
            print("FAIL:", os.path.basename(dbc))
            for name in sorted(set(ours) | set(theirs)):
                if ours.get(name) != theirs.get(name):
                    print("  ours:     ", name, ours.get(name))
                    print("  canmatrix:", name, theirs.get(name))
        else:
            print("same as canmatrix:", os.path.basename(dbc), len(ours), "messages")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
