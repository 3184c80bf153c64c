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

# How a cell must end: the exit status, whether an early end is said (None:
# either way), and what the written records must be: "all" the dataset's, its
# "first" ones (the last perhaps cut short), "some" (at least one), "none", or
# None when the set is not read.
OUTCOMES = {
    "complete": (0, False, "all"),
    "partial": (0, True, "first"),
    "kept": (0, None, "some"),  # messages about single records allowed
    "empty": (0, False, "none"),
    "no unit": (1, None, None),  # the receiver was never identified
    "write failed": (3, None, None),  # the download ran; the save names the file
}

G, M, BOTH = ("garmin",), ("magellan",), ("garmin", "magellan")

# (fault, simulator arguments, receivers, outcome, texts the output must hold);
# where the receivers differ, the outcome or the texts are {receiver: ...}.
FAULTS = [
    ("none", [], BOTH, "complete", []),
    ("silent after 8", ["--silent-after", "8"], BOTH, "partial", {
        "garmin": ["no further packet came from the GPS after", "The records received are kept."],
        "magellan": ["the files hold what was received"]}),
    # A silent cable is not an empty receiver: exit 1, nothing written.
    ("silent from the start", ["--silent-after", "0"], BOTH, "no unit",
     {"garmin": ["Can not find"], "magellan": ["nothing came from the receiver"]}),
    ("bad checksums x2", ["--bad-checksums", "2"], BOTH, "complete", []),
    # Every try of every packet damaged: the Garmin host refuses (NAKs) each one
    # and never identifies the receiver. The Magellan host takes no sentence whose
    # digits do not match its body and asks for it again, until the receiver
    # gives up and the error limit ends the transfer.
    ("NAK storm", ["--bad-checksums", "1000"], BOTH, {"garmin": "no unit", "magellan": "partial"},
     {"garmin": ["Can not find a Garmin GPS unit."], "magellan": []}),
    # Noise before every packet or sentence: the Garmin host skips to the next
    # frame; the Magellan host acknowledges the noise line, which the receiver
    # knows for what it is, and counts it as an error, fewer than the limit here.
    ("garbage 16", ["--garbage", "16"], BOTH, "complete", []),
    ("size lie after 8", ["--size-lie", "--size-lie-after", "8"], G, "partial",
     ["The records received are kept."]),
    # Lines far longer than any sentence, and texts longer than any field.
    ("over-long lines", ["--garbage", "4096"], BOTH,
     {"garmin": "complete", "magellan": "partial"}, []),
    # Magellan routes name two waypoints at one position, one of which the
    # waypoint list keeps: the other's route nodes are reported and skipped.
    ("over-long fields", ["--dataset", "@edges"], BOTH, "kept", []),
    ("device gone after 8", ["--close-after", "8"], BOTH, "partial", []),
    # What real units and lines do to the link; every record arrives once.
    ("extended product data", ["--extended-product-data"], G, "complete", []),
    ("product data twice", ["--repeat-product-data", "--extended-product-data", "--zero-size"], G,
     "complete", []),
    ("noise with DLE bytes", ["--dle-noise"], G, "complete", []),
    ("ETX lost every 7", ["--drop-etx", "7"], G, "complete", []),
    ("ACK lost every 5", ["--lost-ack", "5"], BOTH, "complete", []),
    ("zero-size packets", ["--zero-size"], G, "complete", []),
    ("damaged body every 6", ["--damage-body", "6"], M, "complete", []),
    # Garmin records a host may not expect: a transfer that ends before its
    # records packet, layouts no host reads (announced: no command is sent, and
    # nothing at all could run), a record cut short mid-transfer (one message,
    # the transfer aborted, what came before kept).
    ("complete first", ["--complete-first"], G, "empty", []),
    ("unknown types", ["--unknown-types"], G, "no unit",
     ["none of the chosen transfers could be run"]),
    ("unreadable after 3", ["--unreadable-after", "3"], G, "partial", ["(1 message above)"]),
    # The save fails: the files named below a regular file (which can never be
    # created, not even by root), or each file of the set a link to /dev/full
    # (opening works, writing fails).
    ("save below a file", ["@below-file"], BOTH, "write failed", ["Not a directory"]),
    ("save to full device", ["@full-disk"], BOTH, "write failed", ["No space left on device"]),
]


def spoil_the_save(token, out_dir, base):
    """Prepares OUT_DIR for a failing save; the extra quorvex-cli arguments."""
    if token == "@below-file":
        open(os.path.join(out_dir, "blocker"), "w").close()
        # --tracks-file names the track points' file too.
        return ["--%s-file" % base.lower().replace("pts", ""), "blocker/" + base]
    for ext in (".SHP", ".SHX", ".DBF", ".shp", ".shx", ".dbf"):
        os.symlink("/dev/full", os.path.join(out_dir, base + ext))
    return []


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
    got = [[p for part in parts for p in part] for parts, _ in rows]
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
    _, sim_args, _, outcome, texts = fault
    outcome, texts = (v[receiver] if isinstance(v, dict) else v for v in (outcome, texts))
    wanted_status, early_end, records = OUTCOMES[outcome]
    out_dir = tempfile.mkdtemp(prefix="quorvex-fault-")
    sim, extra = None, []
    try:
        if outcome == "write failed":
            extra, sim_args = spoil_the_save(sim_args[0], out_dir, base), []
        sim, device = start_simulator(bin_dir, [edges if a == "@edges" else a for a in sim_args])
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
        if status != wanted_status:  # a crash or a failure of its own is neither 0, 1 nor 3
            return False, "status %d, expected %d:\n%s" % (status, wanted_status, output)
        if outcome == "write failed":
            texts = texts + ["Could not write the file %s" % os.path.join(out_dir, "")]
        for text in texts:
            if text not in output:
                return False, "message %r missing:\n%s" % (text, output)
        if records is None:
            return True, "%.1f s" % seconds
        if early_end is not None and early_end != (ENDED_EARLY in output):
            return False, "the early end is %sreported:\n%s" % ("not " if early_end else "", output)

        check = Check()
        try:
            written = read_set(out_dir, base, check)
        except Exception as error:  # pyshp or GDAL refused the files
            return False, "cannot read %s: %s" % (base, error)
        if check.problems:
            return False, "\n".join(check.problems[:5])
        rows = written[1] if written else []
        if (records == "some" and not rows) or (records == "none" and rows):
            return False, "%d records:\n%s" % (len(rows), output)
        if records in ("all", "first") and "--dataset" not in sim_args:
            wrong = differs_from_dataset(rows, expected_positions(dataset, base), records == "all")
            if wrong:
                return False, "%s:\n%s" % (wrong, output)
        return True, "%.1f s, %d records" % (seconds, len(rows))
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

    cells = [(t, f) for f in FAULTS for t in TRANSFERS if t[0] in f[2]
             and only in "%s %s / %s" % (t[0], t[1], f[0])]
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        dataset = json.loads(subprocess.run([os.path.join(bin_dir, "quorvex-gpssim"),
                                             "--dump-dataset"], stdout=subprocess.PIPE, text=True,
                                            check=True).stdout)
        results = list(pool.map(lambda c: run_cell(bin_dir, edges, dataset, *c), cells))
    verdicts = {}
    for (transfer, fault), (ok, detail) in zip(cells, results):
        label = "%s %s / %s" % (transfer[0], transfer[1], fault[0])
        verdicts[transfer[:2], fault[0]] = "pass" if ok else "FAIL"
        if not table or not ok:
            print("%-5s %s: %s" % ("ok" if ok else "FAIL", label, detail))
    if table:
        print("| Fault | " + " | ".join("%s %s" % t[:2] for t in TRANSFERS) + " |")
        print("|---" * (len(TRANSFERS) + 1) + "|")
        for f in FAULTS:
            print("| %s | %s |" % (f[0], " | ".join(verdicts.get((t[:2], f[0]), "-")
                                                       for t in TRANSFERS)))
    failures = list(verdicts.values()).count("FAIL")
    print("%d cells, %d passed, %d failed, %.0f s" %
          (len(cells), len(cells) - failures, failures, time.monotonic() - started))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
