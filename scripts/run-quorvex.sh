#!/bin/sh
# Starts the desktop program from a build's bin directory (make run).
#
# Unless QUORVEX_COM2 is set already, Com 2 is a simulated receiver: the
# quorvex-gpssim of the same build, serving a small town's waypoints, routes and
# track log on a pseudo-terminal for as long as the program runs.
set -eu
bin="$1"
if [ ! -x "$bin/quorvex" ]; then
    echo "The desktop program is not part of this build; built programs:"
    ls "$bin"
    exit 1
fi
if [ -n "${QUORVEX_COM2:-}" ]; then
    exec "$bin/quorvex"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-run.XXXXXX")
sim=""
stop() {
    if [ -n "$sim" ]; then
        kill "$sim" 2>/dev/null || true
        wait "$sim" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The simulator prints the device it serves as its first line.
"$bin/quorvex-gpssim" >"$work/device" &
sim=$!
device=""
tries=0
while [ -z "$device" ]; do
    if ! kill -0 "$sim" 2>/dev/null || [ "$tries" -ge 100 ]; then
        echo "The simulated receiver did not start; the program runs without it."
        stop
        trap - EXIT
        exec "$bin/quorvex"
    fi
    sleep 0.1
    tries=$((tries + 1))
    device=$(head -n 1 "$work/device")
done

echo "Com 2 is a simulated receiver on $device; to use a real one: QUORVEX_COM2=/dev/ttyUSB0 make run"
status=0
QUORVEX_COM2="$device" "$bin/quorvex" || status=$?
exit "$status"
