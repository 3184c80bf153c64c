#pragma once
// The document as a GPX 1.1 file, for the apps of today (File > Export > GPX...,
// quorvex-cli --gpx FILE).
//
// What goes where, layer by layer in slot order (deleted layers are left out):
//  - point layers whose table has an "Ident" field (waypoints): a <wpt> per point,
//    with <ele> ("Altitude"), <time> ("Time"), <name> ("Ident"), <cmt>
//    ("Comment") and <sym> ("Symbol") where the table has them and the record a
//    value;
//  - line layers whose name holds "Route": a <rte> per record, <name> its
//    "Ident", a <rtept> per vertex;
//  - other line layers (tracks): a <trk> per record, a <trkseg> per part (a
//    part begins where an edge does not start at the previous edge's end). The
//    <ele> and <time> of each <trkpt> come from the track point layer of the
//    same import (file name + "Pts"), matched in order by position;
//  - other point layers (track points) give no elements of their own.
// Each line record is found through its edges' segment number (record + 1).
// Coordinates have 9 decimals, times are UTC in ISO 8601, texts are escaped and
// made valid UTF-8. All <wpt> come first, then <rte>, then <trk>, as GPX wants.

#include <string>

class GeometryStore;
class AttributeStore;

// False, after a message naming the file and the system's error, when the file
// could not be created, written or closed; no partial file is left then.
bool WriteGpxDocument(const GeometryStore& geometry, const AttributeStore& attributes,
                      const std::string& path);
