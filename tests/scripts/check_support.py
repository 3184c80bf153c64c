"""What the test scripts share: starting and stopping the simulator, reading one
written set with pyshp and GDAL, and comparing its records with the values and
parts expected, collecting the differences."""

import os
import subprocess

import shapefile
from osgeo import gdal, ogr

gdal.UseExceptions()


def start_simulator(bin_dir, args, stderr=subprocess.DEVNULL):
    """A quorvex-gpssim with ARGS and the device it serves ("" when it did not start)."""
    sim = subprocess.Popen([os.path.join(bin_dir, "quorvex-gpssim")] + args, text=True,
                           stdout=subprocess.PIPE, stderr=stderr)
    return sim, sim.stdout.readline().strip()


def stop(sim, wait=0):
    """Stops a simulator (after WAIT seconds, when it has not ended by then); what
    it said on a piped standard error when it ended with a failure, else ""."""
    try:
        said = sim.communicate(timeout=wait)[1] if wait else None
    except subprocess.TimeoutExpired:
        said = None
    if sim.returncode is None:
        sim.terminate()
        try:
            said = sim.communicate(timeout=3)[1]
        except subprocess.TimeoutExpired:
            sim.kill()
            said = sim.communicate()[1]
    return (said or "exit status %d" % sim.returncode) if sim.returncode not in (0, -15) else ""


def split_parts(shape):
    """The points of a shape as a list of its parts (a Null shape has none, a
    point one of one point)."""
    points = [tuple(p) for p in shape.points]
    starts = list(getattr(shape, "parts", None) or ([0] if points else []))
    return [points[a:b] for a, b in zip(starts, starts[1:] + [len(points)])]


def read_set(out_dir, name, check=None):
    """({field name: width}, [(parts, record dict)]) of OUT_DIR/NAME.SHP/.SHX/.DBF,
    or None when the set was not written. With CHECK, the set is also read with
    GDAL and what a GIS relies on is checked: one shape per record, the same names
    and geometry through both readers, WGS 84 from the .PRJ, UTF-8 from the .CPG."""
    base = os.path.join(out_dir, name)
    if not os.path.exists(base + ".SHP"):
        return None
    with shapefile.Reader(shp=open(base + ".SHP", "rb"), shx=open(base + ".SHX", "rb"),
                          dbf=open(base + ".DBF", "rb")) as reader:
        fields = {f[0]: f[2] for f in reader.fields[1:]}
        shapes, records = reader.shapes(), reader.records()
        rows = [(split_parts(shape), record.as_dict()) for shape, record in zip(shapes, records)]
    if check is not None:
        check.equal(name + " shapes and records", len(shapes), len(records))
        check_with_gdal(check, name, base, rows)
    return fields, rows


def gdal_points(geometry):
    """The points of a GDAL geometry, parts one after the other; none for a Null shape."""
    if geometry is None:
        return []
    if geometry.GetGeometryCount() > 0:
        return [p for i in range(geometry.GetGeometryCount())
                for p in gdal_points(geometry.GetGeometryRef(i))]
    return [tuple(p[:2]) for p in geometry.GetPoints() or []]


def check_with_gdal(check, name, base, rows):
    source = ogr.Open(base + ".SHP")
    layer = source.GetLayer(0)
    srs = layer.GetSpatialRef()
    epsg = srs.GetAuthorityCode(None) if srs is not None and srs.AutoIdentifyEPSG() == 0 else None
    check.equal(name + " coordinate system (EPSG)", epsg, "4326")
    check.equal(name + " encoding", layer.GetMetadataItem("SOURCE_ENCODING", "SHAPEFILE"),
                "UTF-8")
    features = list(layer)
    check.equal(name + " GDAL feature count", len(features), len(rows))
    for i, (feature, (parts, record)) in enumerate(zip(features, rows)):
        got = gdal_points(feature.GetGeometryRef())
        points = [p for part in parts for p in part]
        if [tuple(round(c, 9) for c in p) for p in got] != \
                [tuple(round(c, 9) for c in p) for p in points]:
            check.problems.append("%s %d: GDAL reads %d points, pyshp %d"
                                  % (name, i, len(got), len(points)))
        for field, value in record.items():
            if isinstance(value, str):
                check.equal("%s %d %s through GDAL" % (name, i, field),
                            (feature.GetField(field) or "").strip(), value)


class Check:
    def __init__(self):
        self.problems = []

    def equal(self, what, got, expected):
        if got != expected:
            self.problems.append("%s: got %r, expected %r" % (what, got, expected))

    def layer(self, what, written, expected, fields=None):
        """A set as read_set gives it against [(values, parts)]: the records in
        order, each value (numbers within 6e-6, texts without their padding) and
        the points of each part. FIELDS, a list of names or {name: width}, are
        the fields the table must begin with, or have."""
        names, rows = written
        if isinstance(fields, dict):
            self.equal(what + " field widths", {n: names.get(n) for n in fields}, fields)
        elif fields:
            self.equal(what + " fields", list(names)[:len(fields)], fields)
        self.equal(what + " count", len(rows), len(expected))
        for i, ((parts, record), (values, want)) in enumerate(zip(rows, expected)):
            self.equal("%s %d part count" % (what, i), len(parts), len(want))
            for k, (got, part) in enumerate(zip(parts, want)):
                self.equal("%s %d part %d point count" % (what, i, k), len(got), len(part))
                for j, (g, e) in enumerate(zip(got, part)):
                    if abs(g[0] - e[0]) > 1e-9 or abs(g[1] - e[1]) > 1e-9:
                        self.problems.append("%s %d part %d point %d: got %r, expected %r"
                                             % (what, i, k, j, g, e))
            for name, value in values.items():
                got = record[name].strip() if isinstance(record[name], str) else record[name]
                if not (isinstance(value, float) and isinstance(got, (int, float))
                        and abs(got - value) <= 6e-6):
                    self.equal("%s %d %s" % (what, i, name), got, value)

    def report(self, checked, limit=40):
        """Prints what was checked and the first differences; the exit status."""
        print("checked: " + " ".join(checked))
        for problem in self.problems[:limit]:
            print(problem)
        if len(self.problems) > limit:
            print("... and %d more" % (len(self.problems) - limit))
        return 1 if self.problems else 0


def located(position, values):
    """A point record's values with the Longitude and Latitude of its position."""
    return dict(values, Longitude=round(position[0], 5), Latitude=round(position[1], 5))
