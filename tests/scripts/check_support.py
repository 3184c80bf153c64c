"""What the shapefile checkers share: reading one written set with pyshp, and
collecting the differences from what the dataset says."""

import os

import shapefile


def split_parts(shape):
    """The points of a shape as a list of its parts (a Null shape has none)."""
    points = [tuple(p) for p in shape.points]
    starts = list(getattr(shape, "parts", [0] if points else []))
    return [points[a:b] for a, b in zip(starts, starts[1:] + [len(points)])]


def read_set(out_dir, name, check=None, parts=False):
    """(field names, [(points, record dict)]) of OUT_DIR/NAME.SHP/.SHX/.DBF, or
    None when the set was not written. With `parts` the points come as a list
    of parts; `check` gets a problem when shape and record counts differ."""
    base = os.path.join(out_dir, name)
    if not os.path.exists(base + ".SHP"):
        return None
    with shapefile.Reader(shp=open(base + ".SHP", "rb"), shx=open(base + ".SHX", "rb"),
                          dbf=open(base + ".DBF", "rb")) as reader:
        fields = [f[0] for f in reader.fields[1:]]
        shapes, records = reader.shapes(), reader.records()
        if check is not None:
            check.equal(name + " shapes against records", len(shapes), len(records))
        return fields, [(split_parts(shape) if parts else [tuple(p) for p in shape.points],
                         record.as_dict()) for shape, record in zip(shapes, records)]


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
