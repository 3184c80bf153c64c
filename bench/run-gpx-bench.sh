#!/bin/sh
# Times the GPX import of a large file into shapefiles beside ogr2ogr and
# GPSBabel on the same file in the same run: wall time, CPU time (user + system)
# and peak memory (maximum resident set), best wall time of RUNS runs each.
#
# The file: 1,000,000 track points in 100 segments of one track (with elevation
# and time, as receivers log them) and 5,000 waypoints.
#
# usage: bench/run-gpx-bench.sh BIN_DIR [WORK_DIR]
#   BIN_DIR   where quorvex-cli is (a Release build's bin/)
#   WORK_DIR  scratch directory on the disk to measure (default: a new one in /tmp)
# Needs /usr/bin/time (Debian package time), ogr2ogr (gdal-bin) and gpsbabel.
set -eu

BIN=${1:?usage: run-gpx-bench.sh BIN_DIR [WORK_DIR]}
WORK=${2:-$(mktemp -d /tmp/quorvex-gpx-bench-XXXXXX)}
RUNS=${RUNS:-3}
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT
GPX=$WORK/big.gpx

python3 - "$GPX" <<'EOF'
import sys
with open(sys.argv[1], "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" creator="bench" '
            'xmlns="http://www.topografix.com/GPX/1/1">\n')
    for i in range(5000):
        f.write('<wpt lat="%.9f" lon="%.9f"><ele>%.1f</ele><time>2026-06-01T08:%02d:%02dZ</time>'
                '<name>WPT%05d</name><cmt>waypoint %d</cmt><sym>Flag</sym></wpt>\n'
                % (46 + i * 1e-4, 7 + i * 1e-4, 500 + i % 100, i // 60 % 60, i % 60, i, i))
    f.write("<trk><name>ACTIVE LOG</name>\n")
    t = 0
    for s in range(100):
        f.write("<trkseg>\n")
        for i in range(10000):
            n = s * 10000 + i
            f.write('<trkpt lat="%.9f" lon="%.9f"><ele>%.1f</ele><time>2026-06-%02dT%02d:%02d:%02dZ'
                    '</time></trkpt>\n' % (46 + n * 1e-6, 7 + n * 1.3e-6, 400 + n % 977 * 0.1,
                                           1 + t // 86400, t // 3600 % 24, t // 60 % 60, t % 60))
            t += 1
        f.write("</trkseg>\n")
    f.write("</trk>\n</gpx>\n")
EOF

# Best of $RUNS: "wall user+system peak_MiB" of the command, run in a fresh $WORK/out.
measure() {
    best=""
    for _ in $(seq "$RUNS"); do
        rm -rf "$WORK/out" && mkdir "$WORK/out"
        /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" "$@" >/dev/null 2>&1
        read -r wall user system peak <"$WORK/time"
        line="$wall $(awk "BEGIN { print $user + $system }") $(awk "BEGIN { printf \"%.0f\", $peak / 1024 }")"
        if [ -z "$best" ] || awk "BEGIN { exit !($wall < ${best%% *}) }"; then best=$line; fi
    done
    echo "$best"
}

printf '%-44s %8s %8s %9s\n' case wall_s cpu_s peak_MiB
row() { printf '%-44s %8s %8s %9s\n' "$1" $2; }
row "quorvex-cli gpx: waypoints, track lines+points" \
    "$(measure "$BIN/quorvex-cli" gpx --out "$WORK/out" --track-points "$GPX")"
row "ogr2ogr: waypoints, tracks, track_points" \
    "$(measure ogr2ogr -f "ESRI Shapefile" "$WORK/out" "$GPX" waypoints tracks track_points)"
row "quorvex-cli gpx: track lines only" \
    "$(measure "$BIN/quorvex-cli" gpx --out "$WORK/out" --no-waypoints --no-routes "$GPX")"
row "gpsbabel -t: track lines only" \
    "$(measure gpsbabel -t -i gpx -f "$GPX" -o shape -F "$WORK/out/out.shp")"
row "ogr2ogr: tracks only" \
    "$(measure ogr2ogr -f "ESRI Shapefile" "$WORK/out" "$GPX" tracks)"
echo "file: $(du -m "$GPX" | cut -f1) MiB"
