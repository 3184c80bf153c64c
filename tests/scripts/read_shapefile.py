#!/usr/bin/python3
"""Reads a shapefile set with pyshp and prints what it found as JSON.

usage: read_shapefile.py BASE      (BASE.SHP / BASE.SHX / BASE.DBF, any that exist)

The output is one JSON object:
  shp:  {shapeType, bbox, zbox, mbox, shapes: [{shapeType, points, parts, bbox, z, m}]}
  shx:  {offsets}  (byte offsets of the records, from the index)
  dbf:  {fields: [[name, type, width, decimals]], records: [[values]]}
Missing members are absent. NaN and infinities are printed as strings.
"""

import json
import math
import os
import sys

import shapefile


def clean(value):
    if isinstance(value, float) and not math.isfinite(value):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return [clean(v) for v in value]
    if isinstance(value, bytes):
        return value.decode("latin-1")
    if isinstance(value, dict):
        return {k: clean(v) for k, v in value.items()}
    return value


def member(base, ext):
    path = base + ext
    return open(path, "rb") if os.path.exists(path) else None


def main():
    base = sys.argv[1]
    shp, shx, dbf = member(base, ".SHP"), member(base, ".SHX"), member(base, ".DBF")
    out = {}
    given = {k: v for k, v in (("shp", shp), ("shx", shx), ("dbf", dbf)) if v}
    reader = shapefile.Reader(**given)
    if shp:
        shapes = []
        for s in reader.iterShapes():
            item = {"shapeType": s.shapeType, "points": [list(p) for p in s.points]}
            for attr in ("parts", "bbox", "z", "m"):
                if hasattr(s, attr):
                    item[attr] = list(getattr(s, attr))
            shapes.append(item)
        out["shp"] = {
            "shapeType": reader.shapeType,
            "bbox": list(reader.bbox),
            "zbox": list(reader.zbox) if reader.zbox else None,
            "mbox": list(reader.mbox) if reader.mbox else None,
            "shapes": shapes,
        }
    if shx:
        reader._Reader__shxOffsets()
        out["shx"] = {"offsets": list(reader._offsets)}
    if dbf:
        fields = [list(f) for f in reader.fields[1:]]
        out["dbf"] = {
            "fields": fields,
            "records": [list(r) for r in reader.iterRecords()],
        }
    print(json.dumps(clean(out)))


if __name__ == "__main__":
    main()
