#!/usr/bin/env python3
"""Reads the shapefiles of a Magellan download with pyshp and compares them with
the dataset the simulated receiver served (its --dump-dataset JSON).

    magellan_check.py DATASET.json OUT_DIR [--track-points N]

Every layer present in OUT_DIR (Waypoints, Routes, Tracks) is compared in full;
with --track-points N the track layer must hold exactly the first N valid track
points of the dataset. Prints the differences and exits 1 when there is one.
"""

import json
import sys

from check_support import Check, read_set

MINUTES_TO_DEGREES = 0.016666666666666666


def on_the_wire(degrees):
    """The value a host reads back from the receiver's ddmm.mmm text."""
    thousandths = round(abs(degrees) * 60000.0)
    value = thousandths // 60000 + (thousandths % 60000) / 1000.0 * MINUTES_TO_DEGREES
    return -value if degrees < 0 else value


def position(item):
    return (on_the_wire(item["lon"]), on_the_wire(item["lat"]))


def check_waypoints(check, data, layer):
    check.equal("waypoint count", len(layer), len(data["waypoints"]))
    for i, ((points, record), w) in enumerate(zip(layer, data["waypoints"])):
        check.points("waypoint %d" % i, points, [position(w)])
        check.equal("waypoint %d Ident" % i, record["Ident"], w["ident"][:12].rstrip())
        check.equal("waypoint %d Comment" % i, record["Comment"], w["comment"][:40].rstrip())
        altitude = 0 if w["alt"] is None else int(round(w["alt"]))
        check.equal("waypoint %d Altitude" % i, record["Altitude"], altitude)
        if abs(record["Longitude"] - on_the_wire(w["lon"])) > 5e-6:
            check.problems.append("waypoint %d Longitude %r" % (i, record["Longitude"]))
        if abs(record["Latitude"] - on_the_wire(w["lat"])) > 5e-6:
            check.problems.append("waypoint %d Latitude %r" % (i, record["Latitude"]))


def check_routes(check, data, layer):
    by_name = {w["ident"]: w for w in data["waypoints"]}
    check.equal("route count", len(layer), len(data["routes"]))
    for i, ((points, record), r) in enumerate(zip(layer, data["routes"])):
        nodes = [n if isinstance(n, str) else n["ident"] for n in r["points"]]
        check.points("route %d" % i, points, [position(by_name[n]) for n in nodes])
        check.equal("route %d Ident" % i, record["Ident"], str(r["number"]))
        check.equal("route %d Comment" % i, record["Comment"], r["comment"][:40].rstrip())


def expected_tracks(data, limit):
    """Lines of (name, positions): void fixes dropped, a new line at each name change."""
    lines = []
    taken = 0
    for track in data["tracks"]:
        for p in track["points"]:
            if not p["valid"]:
                continue
            if limit is not None and taken == limit:
                return lines
            taken += 1
            if not lines or lines[-1][0] != track["name"]:
                lines.append((track["name"], []))
            lines[-1][1].append(position(p))
    return lines


def check_tracks(check, data, layer, limit):
    lines = expected_tracks(data, limit)
    check.equal("track count", len(layer), len(lines))
    for i, ((points, record), (name, positions)) in enumerate(zip(layer, lines)):
        check.points("track %d" % i, points, positions)
        check.equal("track %d Ident" % i, record["Ident"], name[:12].rstrip())


def main(argv):
    limit = None
    if "--track-points" in argv:
        at = argv.index("--track-points")
        limit = int(argv[at + 1])
        del argv[at:at + 2]
    with open(argv[1]) as f:
        data = json.load(f)
    out_dir = argv[2]

    check = Check()
    found = []
    for name, compare in (("Waypoints", check_waypoints), ("Routes", check_routes),
                          ("Tracks", lambda c, d, l: check_tracks(c, d, l, limit))):
        written = read_set(out_dir, name, check)
        if written is not None:
            found.append(name)
            compare(check, data, written[1])
    return check.report(found)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
