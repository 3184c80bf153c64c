#!/usr/bin/env python3
"""Writes the seed inputs of every harness into corpus/<harness>/seed-*.

The seeds are what real receivers and files contain: Garmin frames of each
transfer, capability lists, QUORVEX.XRF lines, Magellan sentences, picture file
headers, GPX files. Inputs that once failed are kept beside them as regression-* files and
are never rewritten here. Run from anywhere; existing seed files are replaced.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DLE, ETX = 0x10, 0x03


def write(harness, name, data):
    folder = os.path.join(HERE, "corpus", harness)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(bytes(data))


# --- Garmin -----------------------------------------------------------------

def frame(pid, data, checksum=None):
    """DLE id size data checksum DLE ETX, each 0x10 after the id doubled."""
    data = bytes(data)
    if checksum is None:
        checksum = (-(pid + len(data) + sum(data))) & 0xFF
    out = bytearray([DLE, pid])
    for b in bytes([len(data)]) + data + bytes([checksum]):
        out.append(b)
        if b == DLE:
            out.append(DLE)
    return bytes(out + bytes([DLE, ETX]))


def semicircles(degrees):
    return struct.pack("<i", int(round(degrees * 2147483648.0 / 180.0)))


def d100(lat, lon, ident, comment):
    return (ident.ljust(6)[:6].encode() + semicircles(lat) + semicircles(lon) +
            b"\0" * 4 + comment.ljust(40)[:40].encode())


def d105(lat, lon, ident):
    return semicircles(lat) + semicircles(lon) + struct.pack("<H", 8) + ident.encode() + b"\0"


def d106(lat, lon, ident):
    return (b"\0" + b"\0" * 13 + semicircles(lat) + semicircles(lon) + struct.pack("<H", 8) +
            ident.encode() + b"\0" + b"LINK\0")


def d108(lat, lon, ident, comment, alt=100.0):
    fixed = bytearray(48)
    fixed[0] = 0  # class
    fixed[24:28] = semicircles(lat)
    fixed[28:32] = semicircles(lon)
    fixed[32:36] = struct.pack("<f", alt)
    return bytes(fixed) + ident.encode() + b"\0" + comment.encode() + b"\0" + b"\0\0\0"


def d109(lat, lon, ident, comment):
    fixed = bytearray(52)
    fixed[0] = 1
    fixed[24:28] = semicircles(lat)
    fixed[28:32] = semicircles(lon)
    fixed[32:36] = struct.pack("<f", 512.5)
    return bytes(fixed) + ident.encode() + b"\0" + comment.encode() + b"\0" + b"\0\0\0"


def d150(lat, lon, ident):
    r = bytearray(115)
    r[0:6] = ident.ljust(6).encode()
    r[9:13] = semicircles(lat)
    r[13:17] = semicircles(lon)
    r[17:19] = struct.pack("<h", -12)
    r[75:115] = b"AIRPORT".ljust(40)
    return bytes(r)


def d151(lat, lon, ident):
    r = bytearray(120)
    r[0:6] = ident.ljust(6).encode()
    r[6:10] = semicircles(lat)
    r[10:14] = semicircles(lon)
    r[18:58] = b"VOR STATION".ljust(40)
    r[118:120] = struct.pack("<h", 1234)
    return bytes(r)


def d300(lat, lon, time, new=False):
    return semicircles(lat) + semicircles(lon) + struct.pack("<I", time) + bytes([new])


def d301(lat, lon, time, new=False):
    return (semicircles(lat) + semicircles(lon) + struct.pack("<I", time) +
            struct.pack("<f", 250.0) + struct.pack("<f", 1.0e25) + bytes([new]))


def d310(name):
    return bytes([1, 0xFF]) + name.encode() + b"\0"


def d202(name):
    return name.encode() + b"\0"


def d201(number, comment):
    return bytes([number]) + comment.ljust(20)[:20].encode()


def d210():
    return struct.pack("<H", 3) + b"\0" * 18 + b"\0"


def ack(pid):
    return frame(6, [pid, 0])


def nak(pid):
    return frame(21, [pid, 0])


def transfer(command, records, pid_of):
    """The receiver's side of one transfer: ACK of the command, the records
    packet, each record acknowledged by the host, transfer complete."""
    out = ack(10) + frame(27, struct.pack("<h", len(records)))
    for kind, data in records:
        out += frame(pid_of[kind], data)
    return out + frame(12, struct.pack("<H", command))


PIDS = {"wpt": 35, "rte_hdr": 29, "rte_wpt": 30, "rte_link": 98, "trk_hdr": 99, "trk": 34}
POINT_TYPES = [100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
               150, 151, 152, 153, 154, 155, 300, 301, 0, 65535]


def link_prefix(action, wpt=108, route=201, header=202, route_wpt=108, track=301,
                track_header=310, track_point=301):
    routes = [200, 201, 0, 202].index(route)
    headers = [200, 201, 202, 210, 0].index(header)
    track_byte = [300, 301, 0, 302].index(track) + 4 * [310, 300, 301, 312].index(track_header)
    return bytes([action, POINT_TYPES.index(wpt), routes, headers, POINT_TYPES.index(route_wpt),
                  track_byte, POINT_TYPES.index(track_point)])


def garmin_seeds():
    waypoints = [("wpt", d108(48.1173, 11.5167, "MUNICH", "17-MAY-03 14:22")),
                 ("wpt", d108(-33.8688, 151.2093, "SYDNEY", "SYDNEY HARBOUR")),
                 ("wpt", d108(48.1173, 11.5167, "SAME", "17-MAY-03 14:25")),
                 ("wpt", d108(89.999, -179.999, "POLE", ""))]
    route = [("rte_hdr", d202("HOME TO WORK")), ("rte_wpt", d108(48.1, 11.5, "A", "")),
             ("rte_link", d210()), ("rte_wpt", d108(48.2, 11.6, "B", "")),
             ("rte_link", d210()), ("rte_wpt", d108(48.3, 11.4, "C", "")),
             ("rte_hdr", d202("SECOND")), ("rte_wpt", d108(47.0, 10.0, "D", "")),
             ("rte_link", d210()), ("rte_wpt", d108(47.1, 10.1, "E", ""))]
    track = [("trk_hdr", d310("ACTIVE LOG")),
             ("trk", d301(48.1, 11.5, 0x2B3A5C00, True)),
             ("trk", d301(48.1001, 11.5002, 0x2B3A5C3C)),
             ("trk", d301(48.1003, 11.5004, 0x2B3A5C78)),
             ("trk_hdr", d310("SECOND DAY")),
             ("trk", d301(48.2, 11.6, 0x2B3BAD80, True))]
    wpt_stream = transfer(7, waypoints, PIDS)
    rte_stream = transfer(4, route, PIDS)
    trk_stream = transfer(6, track, PIDS)

    write("garmin_link", "waypoints-d108", link_prefix(3) + wpt_stream)
    write("garmin_link", "routes-a201", link_prefix(4) + rte_stream)
    write("garmin_link", "track-lines-a301", link_prefix(5) + trk_stream)
    write("garmin_link", "track-points-a301", link_prefix(6) + trk_stream)
    write("garmin_link", "import-all", link_prefix(7) + wpt_stream + rte_stream + trk_stream +
          trk_stream)
    # Older layouts: D100 waypoints, A200 routes with D200 headers, A300 logs.
    old_wpts = [("wpt", d100(48.1, 11.5, "WPT001", "FIRST")),
                ("wpt", d100(48.2, 11.6, "WPT002", "SECOND"))]
    old_route = [("rte_hdr", bytes([1])), ("rte_wpt", d100(48.1, 11.5, "WPT001", "")),
                 ("rte_wpt", d100(48.2, 11.6, "WPT002", ""))]
    old_track = [("trk", d300(48.1, 11.5, 1000, True)), ("trk", d300(48.2, 11.6, 1060))]
    write("garmin_link", "import-d100-a200-a300",
          link_prefix(7, wpt=100, route=200, header=200, route_wpt=100, track=300,
                      track_header=300, track_point=300) +
          transfer(7, old_wpts, PIDS) + transfer(4, old_route, PIDS) +
          transfer(6, old_track, PIDS) + transfer(6, old_track, PIDS))
    # The link itself: product data and capabilities; a size byte and a
    # checksum of 0x10 (stuffed); a damaged packet refused and sent again; a
    # command refused with a NAK, then acknowledged.
    product = struct.pack("<hh", 1052, 370) + b"GPS 76 Software Version 3.70\0"
    write("garmin_link", "product-and-capabilities",
          link_prefix(0) + frame(255, product) + frame(253, capability_list()))
    stuffed = bytes(range(16))
    write("garmin_link", "stuffed-size-and-data", link_prefix(0) + frame(35, stuffed) +
          frame(0x10 + 1, [0x10, 0x10]))
    good = frame(35, d108(1.0, 2.0, "X", "Y"))
    bad = bytearray(good)
    bad[-3] ^= 0x55
    write("garmin_link", "damaged-then-good", link_prefix(1) + bytes(bad) + good)
    write("garmin_link", "nak-then-ack", link_prefix(2) + nak(10) + nak(10) + ack(10))
    write("garmin_link", "noise-between-packets",
          link_prefix(1) + b"\x00\xff\x10\x03\x10" + good + b"\x10\x10\x03" + good)
    # A size byte that promises more than the frame holds.
    lying = bytearray(frame(35, b"ABCD"))
    lying[2] = 200
    write("garmin_link", "size-byte-lies", link_prefix(1) + bytes(lying) + good)

    # Intact packets that must arrive unchanged: a size byte of 0x10, data of
    # 0x10 and of DLE ETX, a checksum of 0x10, the longest packet.
    specs = [(35, bytes(range(16))), (35, bytes([204])), (34, b"\x10\x03\x10\x10"),
             (0xE8, b"ACK of me is stuffed"), (99, bytes(255)), (255, b"\x10")]
    trip = bytearray(link_prefix(8))
    for pid, data in specs:
        trip += bytes([pid, len(data)]) + data
    write("garmin_link", "intact-packets-round-trip", trip)

    # Record decoding: every readable point layout, then line headers.
    points = {
        100: [d100(48.1, 11.5, "WPT001", "COMMENT")],
        101: [d100(48.1, 11.5, "WPT001", "COMMENT") + b"\0\0\0\0\x08"],
        103: [d100(48.1, 11.5, "WPT001", "COMMENT") + b"\x01\x00"],
        105: [d105(48.1, 11.5, "LONG IDENT OF D105")],
        106: [d106(48.1, 11.5, "D106 IDENT")],
        108: [d108(48.1, 11.5, "MUNICH", "17-MAY-03 14:22"), d108(48.1, 11.5, "AGAIN", "X")],
        109: [d109(-12.5, -77.0, "LIMA", "17-MAY-03 09:00")],
        150: [d150(52.3, 4.76, "EHAM")],
        151: [d151(51.5, -0.12, "LON")],
        154: [d151(40.0, -73.0, "JFK") + b"\0" * 6],
        300: [d300(48.1, 11.5, 1000, True), d300(48.2, 11.6, 0xFFFFFFFF)],
        301: [d301(48.1, 11.5, 0x2B3A5C00, True)],
    }
    for dtype, records in points.items():
        data = bytearray([0, POINT_TYPES.index(dtype), 1])
        for r in records:
            data += bytes([len(r)]) + r
        write("garmin_records", "points-d%d" % dtype, data)
    headers = {200: bytes([7]), 201: d201(3, "TO THE LAKE"), 202: d202("HOME TO WORK"),
               310: d310("ACTIVE LOG")}
    for index, (htype, header) in enumerate(headers.items()):
        ptype = [100, 108, 108, 301][index]
        point = {100: lambda la, lo: d100(la, lo, "P", ""),
                 108: lambda la, lo: d108(la, lo, "P", ""),
                 301: lambda la, lo: d301(la, lo, 0)}[ptype]
        data = bytearray([1, [200, 201, 202, 310, 210, 0, 312].index(htype),
                          POINT_TYPES.index(ptype)])
        for step in range(2):
            data += bytes([1, len(header)]) + header
            for k in range(3):
                r = point(48.0 + step + k * 0.01, 11.0 + k * 0.01)
                data += bytes([0, len(r)]) + r
        write("garmin_records", "lines-d%d-d%d" % (htype, ptype), data)
    # Sixteen passes over forty points: layers and tables grow past their
    # first 500 points and records.
    many = bytearray([15 << 1, POINT_TYPES.index(300), 0])
    for k in range(40):
        r = d300(10.0 + k * 0.001, 20.0, 1000 + k)
        many += bytes([len(r)]) + r
    write("garmin_records", "points-d300-sixteen-passes", many)
    many = bytearray([1 | (15 << 1), [200, 201, 202, 310, 210, 0, 312].index(310),
                      POINT_TYPES.index(301)])
    header = d310("LOG")
    many += bytes([1, len(header)]) + header
    for k in range(40):
        r = d301(10.0 + k * 0.001, 20.0, 1000 + k)
        many += bytes([0, len(r)]) + r
    write("garmin_records", "lines-d310-d301-sixteen-passes", many)


def capability_list():
    entries = [("P", 0), ("L", 1), ("A", 10), ("A", 100), ("D", 108), ("A", 201), ("D", 202),
               ("D", 108), ("D", 210), ("A", 301), ("D", 310), ("D", 301), ("A", 400),
               ("D", 403), ("A", 500), ("D", 501), ("A", 600), ("D", 600), ("A", 700),
               ("D", 700), ("A", 800), ("D", 800)]
    return b"".join(tag.encode() + struct.pack("<H", n) for tag, n in entries)


def capability_seeds():
    write("capability_list", "gps76", capability_list())
    old = [("P", 0), ("L", 1), ("A", 10), ("A", 100), ("D", 103), ("A", 200), ("D", 200),
           ("D", 103), ("A", 300), ("D", 300)]
    write("capability_list", "a200-a300", b"".join(t.encode() + struct.pack("<H", n)
                                                   for t, n in old))
    # An A entry without its D entries, and a list cut inside an entry.
    write("capability_list", "missing-types", b"A\x64\x00A\xc9\x00D\xca\x00A\x2d\x01D")


# --- QUORVEX.XRF ---------------------------------------------------------------

def xrf_seeds():
    with open(os.path.join(HERE, "..", "data", "QUORVEX.XRF"), "rb") as f:
        table = f.read()
    lines = table.splitlines(keepends=True)
    head = b"".join(lines[:14])
    write("protocol_table_file", "listed", struct.pack("<h", 13) + head)
    write("protocol_table_file", "unlisted", struct.pack("<h", 999) + head)
    write("protocol_table_file", "crlf-no-final-lf",
          struct.pack("<h", 18) + b"18  GPS 65            A100  D100 A200  D200  D100 A300  D300\r\n"
          b"20  GPS 150           A100  D150 A201  D201  D150")
    write("protocol_table_file", "short-and-negative",
          struct.pack("<h", -5) + b"-5 short\n  -5                  A100  D-3\n")


# --- Magellan ---------------------------------------------------------------

def checksum(body):
    total = 0
    for ch in body.encode():
        if ch != ord("$"):
            total ^= ch
    return total


def sentence(body):
    return ("%s*%02X\r\n" % (body, checksum(body))).encode()


def magellan_seeds():
    wpl = "$PMGNWPL,4807.038,N,01131.000,E,0000545,M,MUNICH,BEER GARDEN,a"
    for field, capacity in [(1, 80), (7, 80), (8, 4), (9, 1), (0, 0), (12, 80)]:
        write("magellan_sentences", "field-%d-cap-%d" % (field, capacity),
              bytes([0, field, capacity]) + sentence(wpl))
    waypoints = (sentence(wpl) +
                 sentence("$PMGNWPL,4807.100,N,01131.100,E,0000520,M,HOME,,a") +
                 sentence("$GPWPL,4917.16,N,12310.64,W,003") +
                 sentence("$PMGNWPL,3351.000,S,15112.000,E,0000010,M,SYDNEY,HARBOUR,a") +
                 sentence("$PMGNCMD,END"))
    routes = (sentence("$PMGNRTE,2,1,c,1,MUNICH,a,HOME,a") +
              sentence("$PMGNRTE,2,2,c,1,003,a") +
              sentence("$PMGNRTE,1,1,m,1,WEEKEND TRIP") +
              sentence("$PMGNRTE,1,1,c,2,HOME,a,SYDNEY,b") +
              sentence("$PMGNCMD,END"))
    tracks = (sentence("$PMGNTRK,4807.038,N,01131.000,E,00545,M,141545.00,A,,170503") +
              sentence("$PMGNTRK,4807.100,N,01131.100,E,00546,M,141645.00,A,,170503") +
              sentence("$PMGNTRK,4807.200,N,01131.200,E,00547,M,141745.00,V,,170503") +
              sentence("$PMGNTRK,4808.000,N,01132.000,E,00550,M,150000.00,A,DAY2,180503") +
              sentence("$PMGNCMD,END"))
    write("magellan_sentences", "import-all", bytes([1]) + b"$PMGNCSM,1F*hh\r\n" + waypoints +
          b"$PMGNCSM,2A*hh\r\n" + routes + b"$PMGNCSM,3B*hh\r\n" + tracks)
    write("magellan_sentences", "routes-alone", bytes([2]) + routes)
    write("magellan_sentences", "tracks-alone", bytes([3]) + b"\r\n" + tracks)
    write("magellan_sentences", "rejected-positions",
          bytes([1]) + sentence("$PMGNWPL,9907.038,N,01131.000,E,0,M,BAD,,a") +
          sentence("$PMGNWPL,4807.038,X,01131.000,E,0,M,BAD,,a") +
          sentence("$PMGNWPL,4807.038,N,18131.000,W,0,M,BAD,,a") +
          b"$PMGNWPL," + b"9" * 300 + b"\r\n" + sentence("$PMGNCMD,END"))


# --- Pictures ---------------------------------------------------------------

def picture_seeds():
    exif = (b"\xff\xd8\xff\xe1\x00\x80Exif\0\0II*\0\x08\0\0\0" + b"\0" * 24 +
            b"Canon\0PowerShot A70\0" + b"2003:05:17 14:22:01\0" + b"\xff\xd9")
    write("picture_dates", "jpeg-exif", exif)
    write("picture_dates", "digits-before-date", b"2222:12 2003:05:17  14:22:01")
    write("picture_dates", "waypoint-comment", b"17-MAY-03 14:22")
    write("picture_dates", "waypoint-comment-lower", b"  5-dec-2003 9:05 and 2004:1:2 3:4:5")
    write("picture_dates", "signed-and-long",
          b"2:-3:+4 -5:6:7 and 2147483648:1:1 99999999999:0:0")


# --- GPX --------------------------------------------------------------------

def gpx_seeds():
    """The sample files of the GPX import test, behind a byte of layer choices
    (0: waypoints, routes and track lines; 8 adds track points, 16 pictures)."""
    samples = os.path.join(HERE, "..", "tests", "cli", "data", "gpx")
    for name, path, choice in [("garmin-current", "Garmin/GPX/Current/Current.gpx", 8 | 16),
                               ("gpx10", "Garmin/GPX/Archive/Old.GPX", 8),
                               ("truncated", "truncated.gpx", 8),
                               ("not-gpx", "Garmin/GPX/notes.gpx", 0)]:
        with open(os.path.join(samples, path), "rb") as f:
            write("gpx_parser", name, bytes([choice]) + f.read())
    write("gpx_parser", "cp1252-nested-skip",
          b"\x08<?xml version='1.0' encoding='windows-1252'?><gpx><wpt lat='1' lon='2'>"
          b"<name>caf\xe9 \x80</name><link><text>x</text></link></wpt><rte><rtept lat='x' "
          b"lon='1'/><rtept lat='1e3' lon='1'/></rte><trk><trkseg><trkpt lat='+1.5' "
          b"lon='-2'><time>2026-13-01T00:00:00Z</time></trkpt></trkseg></trk></gpx>")


if __name__ == "__main__":
    garmin_seeds()
    capability_seeds()
    xrf_seeds()
    magellan_seeds()
    picture_seeds()
    gpx_seeds()
