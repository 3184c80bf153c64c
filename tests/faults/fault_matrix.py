#!/usr/bin/python3
"""Fault matrix: every transfer of both receivers against every fault of the line
and of the disk, end to end through quorvex-cli and quorvex-gpssim.

usage: fault_matrix.py BIN_DIR [--jobs N] [--only SUBSTRING] [--table]

Each cell runs one simulator and one quorvex-cli download under a time limit and
checks: no crash and no hang, the exit status, the messages, that what arrived
is the dataset's records (or the first of them) each exactly once, and that every
written set reads back alike with pyshp and GDAL. Cells mostly wait on the line,
so they run in parallel threads. --table prints the matrix as a Markdown table.
"""

import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from check_support import Check, read_set, start_simulator, stop  # noqa: E402

HANG_LIMIT = 60  # seconds: far beyond every time-out of the line

EXIT_OK, EXIT_NO_RECEIVER, EXIT_WRITE_FAILED = 0, 1, 3
ENDED_EARLY = "quorvex-cli: a transfer ended early or skipped data"

# Transfers: (receiver, name, quorvex-cli arguments, file written).
TRANSFERS = [
    ("garmin", "waypoints", ["--no-routes"], "Waypoints"),
    ("garmin", "routes", ["--no-waypoints"], "Routes"),
    ("garmin", "track lines", ["--no-waypoints", "--no-routes", "--track-lines"], "Tracks"),
    ("garmin", "track points", ["--no-waypoints", "--no-routes", "--track-points"], "TracksPts"),
    ("magellan", "waypoints", ["--no-routes"], "Waypoints"),
    ("magellan", "routes", ["--no-waypoints"], "Routes"),
    ("magellan", "tracks", ["--no-waypoints", "--no-routes", "--track-lines"], "Tracks"),
]

# How a cell must end.
COMPLETE = "complete"  # exit 0, everything there, no early end
PARTIAL = "partial"    # exit 0, an early end said, what arrived kept (may be nothing)
NO_UNIT = "no unit"    # exit 1: the receiver was never identified
WRITE_FAILED = "write failed"  # exit 3: the download ran, the save said why it failed
KEPT = "kept"          # exit 0, something written; messages about single records allowed
EMPTY = "empty"        # exit 0, no early end, no record


class Fault:
    def __init__(self, name, sim_args, outcome, message=None, setup=None, receivers=None):
        self.name = name
        self.sim_args = sim_args
        self.outcome = outcome      # one of the outcomes above, or a function(receiver)
        self.message = message      # text(s) the output must hold, or a function(receiver)
        self.setup = setup          # function(out_dir, base) -> extra quorvex-cli arguments
        self.receivers = receivers or ("garmin", "magellan")


def below_regular_file(out_dir, base):
    # A file name below a regular file can never be created, not even by root.
    blocker = os.path.join(out_dir, "blocker")
    open(blocker, "w").close()
    return ["--%s-file" % file_option(base), "blocker/" + base]


def onto_full_device(out_dir, base):
    # Every file of the set leads to /dev/full: opening works, writing fails.
    for ext in (".SHP", ".SHX", ".DBF", ".shp", ".shx", ".dbf"):
        os.symlink("/dev/full", os.path.join(out_dir, base + ext))
    return []


def file_option(base):
    return {"Waypoints": "waypoints", "Routes": "routes", "Tracks": "tracks",
            "TracksPts": "tracks"}[base]


FAULTS = [
    Fault("none", [], COMPLETE),
    Fault("silent after 8", ["--silent-after", "8"], PARTIAL, message=lambda r: [
        "no further packet came from the GPS after", "The records received are kept."]
        if r == "garmin" else "the files hold what was received"),
    # A silent cable is not an empty receiver: exit 1, nothing written.
    Fault("silent from the start", ["--silent-after", "0"], NO_UNIT,
          message=lambda r: "Can not find" if r == "garmin" else "nothing came from the receiver"),
    Fault("bad checksums x2", ["--bad-checksums", "2"], COMPLETE),
    # Every try of every packet damaged: the Garmin host refuses (NAKs) each one
    # and never identifies the receiver. The Magellan host takes no sentence whose
    # digits do not match its body and asks for it again, until the receiver
    # gives up and the error limit ends the transfer.
    Fault("NAK storm", ["--bad-checksums", "1000"],
          lambda r: NO_UNIT if r == "garmin" else PARTIAL,
          message=lambda r: "Can not find a Garmin GPS unit." if r == "garmin" else None),
    # Noise before every packet or sentence: the Garmin host skips to the next
    # frame; the Magellan host acknowledges the noise line, which the receiver
    # knows for what it is, and counts it as an error, fewer than the limit here.
    Fault("garbage 16", ["--garbage", "16"], COMPLETE),
    Fault("size lie after 8", ["--size-lie", "--size-lie-after", "8"], PARTIAL,
          message="The records received are kept.", receivers=("garmin",)),
    # Lines far longer than any sentence, and texts longer than any field.
    Fault("over-long lines", ["--garbage", "4096"],
          lambda r: COMPLETE if r == "garmin" else PARTIAL),
    # Magellan routes name two waypoints at one position, one of which the
    # waypoint list keeps: the other's route nodes are reported and skipped.
    Fault("over-long fields", ["--dataset", "@edges"], KEPT),
    Fault("device gone after 8", ["--close-after", "8"], PARTIAL),
    # What real units and lines do to the link; every record arrives once.
    Fault("extended product data", ["--extended-product-data"], COMPLETE, receivers=("garmin",)),
    Fault("product data twice", ["--repeat-product-data", "--extended-product-data",
                                 "--zero-size"], COMPLETE, receivers=("garmin",)),
    Fault("noise with DLE bytes", ["--dle-noise"], COMPLETE, receivers=("garmin",)),
    Fault("ETX lost every 7", ["--drop-etx", "7"], COMPLETE, receivers=("garmin",)),
    Fault("ACK lost every 5", ["--lost-ack", "5"], COMPLETE),
    Fault("zero-size packets", ["--zero-size"], COMPLETE, receivers=("garmin",)),
    Fault("damaged body every 6", ["--damage-body", "6"], COMPLETE, receivers=("magellan",)),
    # Garmin records a host may not expect: a transfer that ends before its
    # records packet, layouts no host reads (announced: no command is sent, and
    # nothing at all could run), a record cut short mid-transfer (one message,
    # the transfer aborted, what came before kept).
    Fault("complete first", ["--complete-first"], EMPTY, receivers=("garmin",)),
    Fault("unknown types", ["--unknown-types"], NO_UNIT,
          message="none of the chosen transfers could be run", receivers=("garmin",)),
    Fault("unreadable after 3", ["--unreadable-after", "3"], PARTIAL,
          message="(1 message above)", receivers=("garmin",)),
    Fault("save below a file", [], WRITE_FAILED, message="Not a directory",
          setup=below_regular_file),
    Fault("save to full device", [], WRITE_FAILED, message="No space left on device",
          setup=onto_full_device),
]


def builtin_dataset(bin_dir):
    dump = subprocess.run([os.path.join(bin_dir, "quorvex-gpssim"), "--dump-dataset"],
                          stdout=subprocess.PIPE, text=True, check=True).stdout
    return json.loads(dump)


def expected_positions(dataset, base):
    """Each record's positions, in order, as the dataset holds them."""
    where = {w["ident"]: (w["lon"], w["lat"]) for w in dataset["waypoints"]}
    if base == "Waypoints":
        return [[where[w["ident"]]] for w in dataset["waypoints"]]
    if base == "Routes":
        return [[where[p] for p in r["points"]] for r in dataset["routes"]]
    tracks = [[(p["lon"], p["lat"]) for p in t["points"]] for t in dataset["tracks"]]
    return tracks if base == "Tracks" else [[p] for t in tracks for p in t]


def differs_from_dataset(rows, expected, whole):
    """Why the records are not the dataset's (all of them, or with WHOLE false the
    first of them, the last perhaps cut short), each once; None when they are."""
    got = [points for points, _ in rows]
    if len(got) > len(expected) or (whole and len(got) != len(expected)):
        return "%d records, the dataset has %d" % (len(got), len(expected))
    for number, (points, wanted) in enumerate(zip(got, expected), 1):
        cut = not whole and number == len(got)
        if len(points) > len(wanted) or (len(points) < len(wanted) and not cut) or any(
                abs(a[0] - b[0]) > 1e-4 or abs(a[1] - b[1]) > 1e-4 for a, b in zip(points, wanted)):
            return "record %d: %s, the dataset has %s" % (number, points[:3], wanted[:3])
    return None


def run_cell(bin_dir, edges, dataset, transfer, fault):
    receiver, name, cli_args, base = transfer
    sim_args = [edges if a == "@edges" else a for a in fault.sim_args]
    out_dir = tempfile.mkdtemp(prefix="quorvex-fault-")
    sim = None
    try:
        extra = fault.setup(out_dir, base) if fault.setup else []
        sim, device = start_simulator(bin_dir, sim_args)
        if not device:
            return False, "simulator did not start"
        command = [os.path.join(bin_dir, "quorvex-cli"), receiver, "--port", device,
                   "--out", out_dir] + cli_args + extra
        started = time.monotonic()
        try:
            done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  text=True, errors="replace", timeout=HANG_LIMIT)
        except subprocess.TimeoutExpired:
            return False, "hung beyond %d s" % HANG_LIMIT
        seconds = time.monotonic() - started
        output, status = done.stdout, done.returncode
        if status < 0 or status > 3:
            return False, "crashed or failed (status %d):\n%s" % (status, output)

        outcome = fault.outcome(receiver) if callable(fault.outcome) else fault.outcome
        expected_status = {COMPLETE: EXIT_OK, PARTIAL: EXIT_OK, KEPT: EXIT_OK, EMPTY: EXIT_OK,
                           NO_UNIT: EXIT_NO_RECEIVER, WRITE_FAILED: EXIT_WRITE_FAILED}[outcome]
        if status != expected_status:
            return False, "status %d, expected %d:\n%s" % (status, expected_status, output)
        message = fault.message(receiver) if callable(fault.message) else fault.message
        for text in [message] if isinstance(message, str) else message or []:
            if text not in output:
                return False, "message %r missing:\n%s" % (text, output)

        if outcome == WRITE_FAILED:
            if "Could not write the file %s" % os.path.join(out_dir, "") not in output:
                return False, "the failed save does not name the file:\n%s" % output
            return True, "%.1f s" % seconds
        if outcome == NO_UNIT:
            return True, "%.1f s" % seconds

        check = Check()
        try:
            written = read_set(out_dir, base, check)
        except Exception as error:  # pyshp or GDAL refused the files
            return False, "cannot read %s: %s" % (base, error)
        if check.problems:
            return False, "\n".join(check.problems[:5])
        rows = written[1] if written else []
        count = len(rows) if written else None
        if outcome == KEPT:
            if not count:
                return False, "nothing written:\n%s" % output
        elif outcome == EMPTY:
            if ENDED_EARLY in output or count:
                return False, "%s records, or an early end:\n%s" % (count, output)
        elif (outcome == COMPLETE) == (ENDED_EARLY in output):
            return False, "the early end is %sreported:\n%s" % (
                "" if outcome == COMPLETE else "not ", output)
        elif fault.sim_args[:1] != ["--dataset"]:
            wrong = differs_from_dataset(rows, expected_positions(dataset, base),
                                         outcome == COMPLETE)
            if wrong:
                return False, "%s:\n%s" % (wrong, output)
        return True, "%.1f s, %s records" % (seconds, count)
    finally:
        if sim is not None:
            stop(sim)
        shutil.rmtree(out_dir, ignore_errors=True)


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    bin_dir = args[0]
    jobs = int(args[args.index("--jobs") + 1]) if "--jobs" in args else 12
    only = args[args.index("--only") + 1] if "--only" in args else ""
    table = "--table" in args
    edges = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data",
                         "datasets", "edge-values.json")

    cells = [(t, f) for f in FAULTS for t in TRANSFERS if t[0] in f.receivers
             and only in "%s %s / %s" % (t[0], t[1], f.name)]
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        dataset = builtin_dataset(bin_dir)
        results = list(pool.map(lambda c: run_cell(bin_dir, edges, dataset, *c), cells))
    verdicts = {}
    for (transfer, fault), (ok, detail) in zip(cells, results):
        label = "%s %s / %s" % (transfer[0], transfer[1], fault.name)
        verdicts[transfer[:2], fault.name] = "pass" if ok else "FAIL"
        if not table or not ok:
            print("%-5s %s: %s" % ("ok" if ok else "FAIL", label, detail))
    if table:
        print("| Fault | " + " | ".join("%s %s" % t[:2] for t in TRANSFERS) + " |")
        print("|---" * (len(TRANSFERS) + 1) + "|")
        for f in FAULTS:
            print("| %s | %s |" % (f.name, " | ".join(verdicts.get((t[:2], f.name), "-")
                                                       for t in TRANSFERS)))
    failures = list(verdicts.values()).count("FAIL")
    print("%d cells, %d passed, %d failed, %.0f s" %
          (len(cells), len(cells) - failures, failures, time.monotonic() - started))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
