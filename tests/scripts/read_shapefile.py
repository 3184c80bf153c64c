#!/usr/bin/python3
"""Prints what pyshp reads from BASE.SHP / .SHX / .DBF (any that exist) as JSON:
{shp: {shapeType, bbox, zbox, mbox, shapes: [{shapeType, points, parts, bbox, z, m}]},
 shx: {offsets}, dbf: {fields: [[name, type, width, decimals]], records}}.
Missing members are absent; NaN and infinities are printed as strings.

usage: read_shapefile.py BASE
"""

import array
import json
import math
import os
import sys

import shapefile


def clean(value):
    if isinstance(value, float) and not math.isfinite(value):
        return repr(value)
    if isinstance(value, (list, tuple, array.array)):
        return [clean(v) for v in value]
    if isinstance(value, dict):
        return {k: clean(v) for k, v in value.items()}
    return value.decode("latin-1") if isinstance(value, bytes) else value


files = {ext: open(sys.argv[1] + "." + ext.upper(), "rb") for ext in ("shp", "shx", "dbf")
         if os.path.exists(sys.argv[1] + "." + ext.upper())}
reader = shapefile.Reader(**files)
out = {}
if "shp" in files:
    shapes = [dict({"shapeType": s.shapeType, "points": s.points},
                   **{a: getattr(s, a) for a in ("parts", "bbox", "z", "m") if hasattr(s, a)})
              for s in reader.iterShapes()]
    out["shp"] = {"shapeType": reader.shapeType, "bbox": reader.bbox, "zbox": reader.zbox or None,
                  "mbox": reader.mbox or None, "shapes": shapes}
if "shx" in files:
    reader._Reader__shxOffsets()
    out["shx"] = {"offsets": reader._offsets}
if "dbf" in files:
    out["dbf"] = {"fields": reader.fields[1:], "records": list(reader.iterRecords())}
print(json.dumps(clean(out)))
