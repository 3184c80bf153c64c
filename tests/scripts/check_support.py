"""What the shapefile checkers share: reading one written set with pyshp,
collecting the differences from what the dataset says, and comparing point and
line layers with the positions and values the dataset gives."""

import os

import shapefile


def read_set(out_dir, name):
    """(field names, [(points, record dict)]) of OUT_DIR/NAME.SHP/.SHX/.DBF, or
    None when the set was not written."""
    base = os.path.join(out_dir, name)
    if not os.path.exists(base + ".SHP"):
        return None
    with shapefile.Reader(shp=open(base + ".SHP", "rb"), shx=open(base + ".SHX", "rb"),
                          dbf=open(base + ".DBF", "rb")) as reader:
        fields = [f[0] for f in reader.fields[1:]]
        return fields, [([tuple(p) for p in shape.points], record.as_dict())
                        for shape, record in zip(reader.shapes(), reader.records())]


class Check:
    def __init__(self):
        self.problems = []

    def equal(self, what, got, expected):
        if got != expected:
            self.problems.append("%s: got %r, expected %r" % (what, got, expected))

    def near(self, what, got, expected, tolerance):
        if got is None or expected is None or abs(got - expected) > tolerance:
            if got != expected:
                self.problems.append("%s: got %r, expected %r" % (what, got, expected))

    def points(self, what, got, expected):
        self.equal(what + " point count", len(got), len(expected))
        for i, (g, e) in enumerate(zip(got, expected)):
            if abs(g[0] - e[0]) > 1e-9 or abs(g[1] - e[1]) > 1e-9:
                self.problems.append("%s point %d: got %r, expected %r" % (what, i, g, e))

    def report(self, checked, limit=40):
        """Prints what was checked and the first differences; the exit status."""
        print("checked: " + " ".join(checked))
        for problem in self.problems[:limit]:
            print(problem)
        if len(self.problems) > limit:
            print("... and %d more" % (len(self.problems) - limit))
        return 1 if self.problems else 0


def check_points(check, what, fields, layer, expected_fields, expected):
    """Point layer against (position, values) pairs; Longitude and Latitude derived."""
    check.equal(what + " fields", fields, expected_fields)
    check.equal(what + " count", len(layer), len(expected))
    for i, ((points, record), (pos, values)) in enumerate(zip(layer, expected)):
        check.points("%s %d" % (what, i), points, [pos])
        check.near("%s %d Longitude" % (what, i), record["Longitude"], round(pos[0], 5), 6e-6)
        check.near("%s %d Latitude" % (what, i), record["Latitude"], round(pos[1], 5), 6e-6)
        for name, value in values.items():
            got = record[name]
            if isinstance(got, str):
                got = got.strip()
            check.equal("%s %d %s" % (what, i, name), got, value)


def check_lines(check, what, layer, lines):
    """Line layer against (values, positions) pairs; values a dict of fields, or the Ident."""
    check.equal(what + " count", len(layer), len(lines))
    for i, ((points, record), (values, positions)) in enumerate(zip(layer, lines)):
        check.points("%s %d" % (what, i), points, positions)
        for name, value in (values if isinstance(values, dict) else {"Ident": values}).items():
            check.equal("%s %d %s" % (what, i, name), record[name].strip(), value)
