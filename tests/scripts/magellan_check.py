#!/usr/bin/env python3
"""Reads the shapefiles of a Magellan download with pyshp and compares them with
the dataset the simulated receiver served (its --dump-dataset JSON).

    magellan_check.py DATASET.json OUT_DIR

Every layer present in OUT_DIR (Waypoints, Routes, Tracks) is compared in full.
Prints the differences and exits 1 when there is one.
"""

import json
import sys

from check_support import Check, located, read_set

MINUTES_TO_DEGREES = 0.016666666666666666


def on_the_wire(degrees):
    """The value a host reads back from the receiver's ddmm.mmm text."""
    thousandths = round(abs(degrees) * 60000.0)
    value = thousandths // 60000 + (thousandths % 60000) / 1000.0 * MINUTES_TO_DEGREES
    return -value if degrees < 0 else value


def position(item):
    return (on_the_wire(item["lon"]), on_the_wire(item["lat"]))


def check_waypoints(check, data, written):
    check.layer("waypoint", written, [
        (located(position(w), {"Ident": w["ident"][:12].strip(),
                               "Comment": w["comment"][:40].strip(),
                               "Altitude": 0 if w["alt"] is None else int(round(w["alt"]))}),
         [[position(w)]]) for w in data["waypoints"]],
        ["Ident", "Longitude", "Latitude", "Comment", "Altitude"])


def check_routes(check, data, written):
    by_name = {w["ident"]: w for w in data["waypoints"]}
    check.layer("route", written, [
        ({"Ident": str(r["number"]), "Comment": r["comment"][:40].strip()},
         [[position(by_name[n if isinstance(n, str) else n["ident"]]) for n in r["points"]]])
        for r in data["routes"]])


def check_tracks(check, data, written):
    """Void fixes dropped, a new line at each name change."""
    lines = []
    for track in data["tracks"]:
        for p in track["points"]:
            if p["valid"]:
                if not lines or lines[-1][0] != track["name"]:
                    lines.append((track["name"], []))
                lines[-1][1].append(position(p))
    check.layer("track", written, [({"Ident": name[:12].strip()}, [points])
                                   for name, points in lines])


def main(argv):
    with open(argv[1]) as f:
        data = json.load(f)
    check = Check()
    found = []
    for name, compare in (("Waypoints", check_waypoints), ("Routes", check_routes),
                          ("Tracks", check_tracks)):
        written = read_set(argv[2], name, check)
        if written is not None:
            found.append(name)
            compare(check, data, written)
    return check.report(found)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
