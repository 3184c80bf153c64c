#!/bin/sh
# Times the export of large layers (quorvex-bench-export) against dd writing the
# same number of bytes into the same directory, and against ogr2ogr turning the
# same waypoints from CSV into a shapefile, all in one run on one disk.
#
# usage: bench/run-export-bench.sh BIN_DIR [WORK_DIR]
#   BIN_DIR   where quorvex-bench-export is (a Release build's bin/)
#   WORK_DIR  scratch directory on the disk to measure (default: a new one in /tmp)
set -eu

BIN=${1:?usage: run-export-bench.sh BIN_DIR [WORK_DIR]}
WORK=${2:-$(mktemp -d /tmp/quorvex-export-bench-XXXXXX)}
RUNS=5
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

now() { date +%s.%N; }
# Arithmetic on decimal seconds.
calc() { awk "BEGIN { print $1 }"; }
less() { awk "BEGIN { exit !($1 < $2) }"; }

# Best of $RUNS: dd writing $1 bytes, in 1 MiB blocks (the export's buffer size).
dd_best() {
    best=""
    for _ in $(seq $RUNS); do
        rm -f "$WORK/dd.out"
        start=$(now)
        dd if=/dev/zero of="$WORK/dd.out" bs=1M count="$1" iflag=count_bytes status=none
        end=$(now)
        t=$(calc "$end - $start")
        if [ -z "$best" ] || less "$t" "$best"; then best=$t; fi
    done
    rm -f "$WORK/dd.out"
    echo "$best"
}

"$BIN/quorvex-bench-export" "$WORK/export" --runs $RUNS --csv "$WORK/points.csv" >"$WORK/export.txt"

printf '%-8s %14s %10s %10s %8s\n' case bytes export_s dd_s ratio
while read -r name _ seconds _ bytes; do
    dd_seconds=$(dd_best "$bytes")
    ratio=$(calc "$seconds / $dd_seconds")
    printf '%-8s %14s %10.3f %10.3f %8.2f\n' "$name" "$bytes" "$seconds" "$dd_seconds" "$ratio"
    [ "$name" = points ] && points_seconds=$seconds
done <"$WORK/export.txt"

# ogr2ogr: the same million waypoints, from CSV to a Point shapefile.
best=""
for _ in $(seq $RUNS); do
    rm -rf "$WORK/ogr"
    mkdir -p "$WORK/ogr"
    start=$(now)
    ogr2ogr -f "ESRI Shapefile" "$WORK/ogr/Waypoints.shp" "$WORK/points.csv" \
        -oo X_POSSIBLE_NAMES=Longitude -oo Y_POSSIBLE_NAMES=Latitude -oo AUTODETECT_TYPE=YES
    end=$(now)
    t=$(calc "$end - $start")
    if [ -z "$best" ] || less "$t" "$best"; then best=$t; fi
done
ogr_bytes=$(cat "$WORK"/ogr/Waypoints.* | wc -c)
printf 'ogr2ogr  %14s %10.3f  (export of the same points is %.1fx faster)\n' \
    "$ogr_bytes" "$best" "$(calc "$best / $points_seconds")"
