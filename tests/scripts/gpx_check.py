#!/usr/bin/python3
"""quorvex-cli gpx on the sample files of tests/cli/data/gpx (a receiver's drive:
Garmin extensions, GPX 1.0, several tracks and segments, routes, non-ASCII
names, a truncated copy, XML that is not GPX), each written set read back with
pyshp and with GDAL.

usage: gpx_check.py BIN_DIR DATA_DIR
"""

import os
import subprocess
import sys
import tempfile

from osgeo import ogr

from check_support import Check, read_set

CURRENT = "Garmin/GPX/Current/Current.gpx"
CAFE = "Café Zürich – Łódź 東京 and a name far longer than forty bytes"
HOME = {"Ident": "HOME", "Comment": "front door", "Altitude": 152.4,
        "Time": "06/01/2026  08:05:30", "Symbol": "Residence"}
SAME_SPOT = {"Ident": CAFE, "Comment": "same spot", "Altitude": None, "Time": ""}
ACTIVE = [[(-122.3, 47.6), (-122.31, 47.61), (-122.32, 47.62)],
          [(-122.5, 47.8), (-122.51, 47.81)]]
FIRST_POINTS = [(-122.3, 47.6, "06/01/2026  09:00:00", 10.5, 4.2),
                (-122.31, 47.61, "06/01/2026  09:00:10", 11.0, None),
                (-122.32, 47.62, "06/01/2026  09:00:20", None, None)]

# (name, arguments, exit status, texts on stderr, {file: (field widths,
# [(record values, parts)])}, or None where no file may be written); parts [] is
# a Null shape.
CASES = [
    ("drive", ["--track-points", "."], 0,
     ["truncated.gpx, line 17, column 13: unclosed token",
      "Garmin/GPX/notes.gpx is not a GPX file: its root element is <kml>",
      "2 points without a valid position were left out"],
     {"Waypoints": ({"Ident": 71, "Comment": 40, "Symbol": 40}, [
         ({"Ident": "KAAP", "Comment": "Kaapstad", "Altitude": 5.0}, [[(18.4, -33.9)]]),
         (HOME, [[(-122.25, 47.5)]]), (SAME_SPOT, [[(-122.25, 47.5)]]),
         (HOME, [[(-122.25, 47.5)]]), (SAME_SPOT, [[(-122.25, 47.5)]])]),
      "Routes": ({"Ident": 40}, [
          ({"Ident": "TO THE HILL"}, [[(18.4, -33.9), (18.41, -33.95), (18.42, -33.96)]]),
          ({"Ident": "ONE"}, [])]),
      "Tracks": ({"Ident": 40}, [({"Ident": ""}, []), ({"Ident": "ACTIVE LOG"}, ACTIVE),
                                 ({"Ident": "ACTIVE LOG"}, ACTIVE[:1])]),
      "TracksPts": ({"Time": 20}, [
          (dict(zip(("Longitude", "Latitude", "Time", "Altitude", "Depth"), p)), [[p[:2]]])
          for p in [(18.4, -33.9, "12/31/1999  23:59:59", None, None)] + FIRST_POINTS +
          [(-122.4, 47.7, "", None, None), (-122.5, 47.8, "", None, None),
           (-122.51, 47.81, "", None, None)] + FIRST_POINTS])}),
    ("choices", ["--no-waypoints", "--no-routes", "--tracks-file", "Log", CURRENT], 0, [],
     {"Log": ({"Ident": 40}, [({"Ident": "ACTIVE LOG"}, ACTIVE)]),
      "Waypoints": None, "Routes": None, "Tracks": None, "LogPts": None}),
    ("not GPX", ["Garmin/GPX/notes.gpx", "Garmin/notes.xml"], 1,
     ["notes.xml is not a GPX file"], {"Waypoints": None}),
    # HOME was taken at 08:05:30 UTC, 10:05:30 in the zone of the test; the camera
    # ran an hour behind: IMG_A (09:06) is HOME's, IMG_B (10:05) matches nothing.
    ("pictures", [CURRENT, "--relative-dir", "pics", "--camera-offset", "+01:00", "--pictures",
                  "{pictures}/IMG_A.JPG", "{pictures}/IMG_B.JPG"], 0, [],
     {"Waypoints": ({"North": 15}, [(dict(HOME, North="pics/IMG_A.JPG"), [[(-122.25, 47.5)]]),
                                    (dict(SAME_SPOT, North=""), [[(-122.25, 47.5)]])])}),
    ("bad offset", ["--camera-offset", "1:00", CURRENT], 2, ["--camera-offset takes"], {}),
    ("missing", ["no-such-dir"], 1, ["Cannot open no-such-dir"], {}),
    ("no path", [], 2, ["no GPX file or folder given"], {}),
]


def check_export(check, cli, data):
    """The drive's layers written as GPX: read by GDAL's GPX driver with the same
    counts and positions, and imported again into the same layers."""
    with tempfile.TemporaryDirectory() as out:
        exported, again = os.path.join(out, "out.gpx"), os.path.join(out, "again")
        os.mkdir(again)
        subprocess.run([cli, "gpx", "--out", out, "--track-points", "--gpx", exported, "."],
                       cwd=data, capture_output=True)
        source = ogr.Open(exported)
        if source is None:
            check.problems.append("export: GDAL cannot open it")
            return
        counts = {n: source.GetLayerByName(n).GetFeatureCount()
                  for n in ("waypoints", "routes", "tracks", "route_points", "track_points")}
        check.equal("export counts", counts, {"waypoints": 5, "routes": 2, "tracks": 3,
                                              "route_points": 3, "track_points": 8})
        names = [(f.GetField("name"), f.GetGeometryRef().GetX(), f.GetGeometryRef().GetY())
                 for f in source.GetLayerByName("waypoints")]
        check.equal("export waypoint 2", names[2], (CAFE, -122.25, 47.5))
        point = source.GetLayerByName("track_points").GetFeature(0)
        check.equal("export first track point", (point.GetField("ele"), point.GetField("time")),
                    (10.5, "2026/06/01 09:00:00+00"))
        subprocess.run([cli, "gpx", "--out", again, exported], capture_output=True)
        for name in ("Waypoints", "Routes", "Tracks"):
            check.equal("export " + name + " imported again", read_set(again, name),
                        read_set(out, name))


def main():
    cli = os.path.join(sys.argv[1], "quorvex-cli")
    data = sys.argv[2]
    check = Check()
    check_export(check, cli, data)
    pictures = tempfile.TemporaryDirectory()
    for name, stamp in (("IMG_A.JPG", b"09:06:00"), ("IMG_B.JPG", b"10:05:00")):
        with open(os.path.join(pictures.name, name), "wb") as f:
            f.write(b"JFIF..Exif..2026:06:01 " + stamp + b"..")
    os.environ["TZ"] = "CET-1CEST,M3.5.0,M10.5.0/3"
    for case, arguments, status, texts, layers in CASES:
        with tempfile.TemporaryDirectory() as out:
            arguments = [a.replace("{pictures}", pictures.name) for a in arguments]
            run = subprocess.run([cli, "gpx", "--out", out] + arguments, cwd=data,
                                 capture_output=True, text=True)
            check.equal(case + " exit status", run.returncode, status)
            for text in texts:
                if text not in run.stderr:
                    check.problems.append("%s: %r not in stderr:\n%s" % (case, text, run.stderr))
            for name, expected in layers.items():
                written = read_set(out, name, check)
                if expected is None or written is None:
                    check.equal(case + " " + name + " written", written is not None,
                                expected is not None)
                else:
                    check.layer(case + " " + name, written, expected[1], expected[0])
    return check.report([c[0] for c in CASES] + ["export"])


if __name__ == "__main__":
    sys.exit(main())
