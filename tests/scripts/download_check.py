#!/usr/bin/python3
"""Reads the shapefiles of a download with pyshp and GDAL and compares them with
the dataset the simulated receiver served (its --dump-dataset JSON).

    download_check.py DATASET.json OUT_DIR --layers KIND[=FILE],... --profile LINE
    download_check.py DATASET.json OUT_DIR --magellan [--layers ...]

--layers names the sets that must be in OUT_DIR, and no others (Waypoints,
Routes, Tracks, TracksPts, each in the file of its name unless FILE is given;
the track sets only where the profile has a track log; a Magellan download's
are Waypoints, Routes and Tracks unless named). LINE is the profile's line of
`quorvex-gpssim --list-profiles`: its record layouts. Every value is derived
from the dataset the way a receiver of those layouts, or a Magellan receiver's
sentences, encode it. Prints each difference and exits 1 when there is one.
"""

import datetime
import json
import math
import os
import re
import struct
import sys

from check_support import Check, located, read_set

FIXED_IDENT_TYPES = {100, 101, 102, 103, 104, 107, 150, 151, 152, 154, 155}
FLOAT_ALTITUDE_TYPES = {108, 109, 110}
SHORT_ALTITUDE_TYPES = {150, 151, 152, 154, 155}
NO_COMMENT_TYPES = {105, 106}
ALTITUDE_FIELD_TYPES = FLOAT_ALTITUDE_TYPES | SHORT_ALTITUDE_TYPES | {101}
GARMIN_EPOCH = datetime.datetime(1989, 12, 31)
NO_TIME = 0xFFFFFFFF
SIM_TEXT_LIMIT = 51  # the simulated receiver sends NUL-terminated texts of at most 51
MINUTES_TO_DEGREES = 0.016666666666666666


def semicircles(degrees):
    s = round(degrees * 2147483648.0 / 180.0)
    if s >= 2147483648:
        s -= 4294967296
    return max(s, -2147483648)


def on_the_wire(degrees):
    return semicircles(degrees) * 180.0 / 2147483648.0


def position(item):
    return (on_the_wire(item["lon"]), on_the_wire(item["lat"]))


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def number_text(value, decimals):
    """What a dBASE N 12 field holds for value, read back as pyshp does."""
    if value is None or not math.isfinite(value):
        return None
    text = "%12.*f" % (decimals, value)
    if len(text) > 12:
        return None
    return float(text) if decimals else int(text)


def garmin_time(text):
    if text is None:
        return NO_TIME
    when = datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ")
    seconds = int((when - GARMIN_EPOCH).total_seconds())
    return seconds if 0 <= seconds < NO_TIME else NO_TIME


def time_text(seconds):
    if seconds in (0, 0x7FFFFFFF, NO_TIME):
        return ""
    return (GARMIN_EPOCH + datetime.timedelta(seconds=seconds)).strftime("%m/%d/%Y  %H:%M:%S")


def text(value, *cuts):
    """A dataset text as stored: sent in the receiver's 8-bit characters and cut
    there (`cuts`, in characters), read as UTF-8 and cut to the field's width
    (the last cut, in bytes) without splitting a character."""
    *sent, width = cuts
    value = value.encode("latin-1", "replace").decode("latin-1")
    for cut in sent:
        value = value[:cut]
    return value.encode("utf-8")[:width].decode("utf-8", "ignore").strip()


def waypoint_values(w, wtype):
    cut = [6] if wtype in FIXED_IDENT_TYPES else []
    values = {"Ident": text(w["ident"], *cut, SIM_TEXT_LIMIT, 12)}
    if wtype not in NO_COMMENT_TYPES:
        values["Comment"] = text(w.get("comment", ""), SIM_TEXT_LIMIT, 40)
    if wtype in ALTITUDE_FIELD_TYPES:
        alt = w.get("alt")
        if wtype in FLOAT_ALTITUDE_TYPES:
            value = None if alt is None else float32(alt)
        elif wtype in SHORT_ALTITUDE_TYPES:
            value = 0 if alt is None else max(-32768, min(32767, round(alt)))
        else:
            value = None
        values["Altitude"] = number_text(value, 1)
    if wtype == 110:
        values["Time"] = time_text(NO_TIME)  # the simulated receiver keeps none
    return values


def check_waypoints(check, data, written, wtype):
    fields = list(waypoint_values({"ident": ""}, wtype))
    check.layer("waypoint", written,
                [(located(position(w), waypoint_values(w, wtype)), [[position(w)]])
                 for w in data["waypoints"]], fields[:1] + ["Longitude", "Latitude"] + fields[1:])


def route_name(route, index, header_type):
    if header_type == 200:
        return "Route #%d" % index
    if header_type == 201:
        return text(route["comment"] or route["name"], 20, 40)
    return text(route["name"], SIM_TEXT_LIMIT, 40)


def parts_of(segments):
    """A line's parts: its segments of two points or more."""
    return [s for s in segments if len(s) > 1]


def check_routes(check, data, written, route_types):
    by_name = {w["ident"]: w for w in data["waypoints"]}
    lines = []
    for i, r in enumerate(data["routes"]):
        nodes = [by_name[n] if isinstance(n, str) else n for n in r["points"]]
        lines.append(({"Ident": route_name(r, i, route_types[1])},
                      parts_of([[position(n) for n in nodes]])))
    check.layer("route", written, lines)


def sent_points(track, flags=True):
    """The points a Garmin receiver sends (no void fixes), each with whether it
    begins a segment: the first of a track, or (where the layout has new-track
    flags) one flagged so, or one after a point without position that was."""
    begins = True
    for p in track["points"]:
        if not p.get("valid", True):
            continue
        begins = begins or (flags and p.get("segment", False))
        if p.get("position", True):
            yield p, begins
            begins = False


def segments(points):
    result = []
    for p, begins in points:
        if begins or not result:
            result.append([])
        result[-1].append(position(p))
    return result


def check_track_lines(check, data, written, track_types):
    flags = track_types[-1] in (300, 301, 302)
    if track_types[0] == 300:
        points = [item for t in data["tracks"] for item in sent_points(t)]
        lines = [({"Ident": "Track #1"}, parts_of(segments(points)))]
    else:
        names = [str(i) if track_types[1] == 311 else text(t["name"], SIM_TEXT_LIMIT, 40)
                 for i, t in enumerate(data["tracks"])]
        lines = [({"Ident": name}, parts_of(segments(sent_points(t, flags))))
                 for name, t in zip(names, data["tracks"])]
    check.layer("track", written, lines)


# The fields of a track point layout after Time, each with its dataset key
# (None: the simulated units send no such value, so the field is blank).
POINT_FIELDS = {300: [], 301: [("Altitude", "alt"), ("Depth", "depth")]}
POINT_FIELDS[302] = POINT_FIELDS[301] + [("Temp", "temp")]
POINT_FIELDS[303] = POINT_FIELDS[304] = [("Altitude", "alt"), ("Depth", None), ("HeartRate", None)]


def check_track_points(check, data, written, track_types):
    fields = POINT_FIELDS[track_types[1] if track_types[0] == 300 else track_types[2]]
    expected = []
    for p, _ in [item for t in data["tracks"] for item in sent_points(t)]:
        values = {"Time": time_text(garmin_time(p.get("time")))}
        for name, key in fields:
            value = p.get(key) if key else None
            values[name] = number_text(None if value is None else float32(value), 1)
        expected.append((located(position(p), values), [[position(p)]]))
    check.layer("track point", written, expected,
                ["Longitude", "Latitude", "Time"] + [name for name, _ in fields])


def layouts(profile):
    """(waypoint type, [route protocol, header, waypoint type], [track protocol,
    types...]) of a --list-profiles line such as "A100 D108, A201 D202 D108 D210"."""
    found = {int(p): [int(d) for d in re.findall(r"D(\d+)", types)]
             for p, types in re.findall(r"A(\d+)((?: D\d+)+)", profile)}
    route = [[p] + types[:2] for p, types in found.items() if p in (200, 201)]
    track = [[p] + types for p, types in found.items() if p >= 300]
    return found[100][0], (route or [[]])[0], (track or [[]])[0]


def nmea_position(item):
    """The position a host reads back from a Magellan receiver's ddmm.mmm texts."""
    def degrees(value):
        thousandths = round(abs(value) * 60000.0)
        whole = thousandths // 60000 + (thousandths % 60000) / 1000.0 * MINUTES_TO_DEGREES
        return -whole if value < 0 else whole
    return (degrees(item["lon"]), degrees(item["lat"]))


def check_nmea_waypoints(check, data, written, _):
    check.layer("waypoint", written, [
        (located(nmea_position(w), {"Ident": w["ident"][:12].strip(),
                                    "Comment": w["comment"][:40].strip(),
                                    "Altitude": 0 if w["alt"] is None else int(round(w["alt"]))}),
         [[nmea_position(w)]]) for w in data["waypoints"]],
        ["Ident", "Longitude", "Latitude", "Comment", "Altitude"])


def check_nmea_routes(check, data, written, _):
    by_name = {w["ident"]: w for w in data["waypoints"]}
    check.layer("route", written, [
        ({"Ident": str(r["number"]), "Comment": r["comment"][:40].strip()},
         [[nmea_position(by_name[n if isinstance(n, str) else n["ident"]]) for n in r["points"]]])
        for r in data["routes"]])


def check_nmea_tracks(check, data, written, _):
    """Void fixes dropped, a new line at each name change."""
    lines = []
    for track in data["tracks"]:
        for p in track["points"]:
            if p["valid"]:
                if not lines or lines[-1][0] != track["name"]:
                    lines.append((track["name"], []))
                lines[-1][1].append(nmea_position(p))
    check.layer("track", written, [({"Ident": name[:12].strip()}, [points])
                                   for name, points in lines])


def main(argv):
    with open(argv[1]) as f:
        data = json.load(f)
    out_dir = argv[2]
    if "--magellan" in argv:
        track_types = True
        compare = {"Waypoints": (check_nmea_waypoints, None), "Routes": (check_nmea_routes, None),
                   "Tracks": (check_nmea_tracks, None)}
    else:
        waypoint_type, route_types, track_types = layouts(argv[argv.index("--profile") + 1])
        compare = {"Waypoints": (check_waypoints, waypoint_type),
                   "Routes": (check_routes, route_types),
                   "Tracks": (check_track_lines, track_types),
                   "TracksPts": (check_track_points, track_types)}
    layers = {}
    named = argv[argv.index("--layers") + 1] if "--layers" in argv else "Waypoints,Routes,Tracks"
    for entry in named.split(","):
        kind, _, name = entry.partition("=")
        if track_types or not kind.startswith("Tracks"):
            layers[kind] = name or kind

    check = Check()
    present = sorted(name[:-4] for name in os.listdir(out_dir) if name.upper().endswith(".SHP"))
    check.equal("shapefile sets", present, sorted(layers.values()))
    for kind, name in layers.items():
        if name in present:
            function, types = compare[kind]
            function(check, data, read_set(out_dir, name, check), types)
    return check.report(list(layers.values()))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
