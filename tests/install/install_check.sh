#!/bin/sh
# Installs a build tree into a scratch prefix and runs the installed programs:
# quorvex-cli --help, and quorvex-cli identify garmin against the installed
# simulator posing as an old receiver (no capability list), which only works when
# the installed quorvex-cli finds the installed QUORVEX.XRF to look product 13 up.
# Also checks the desktop entry, the icon, the manual pages and the help book.
#
# usage: install_check.sh BUILD_DIR
set -eu
BUILD=${1:?usage: install_check.sh BUILD_DIR}
PREFIX=$(mktemp -d /tmp/quorvex-install-XXXXXX)
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; rm -rf "$PREFIX"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >"$PREFIX/install.log" 2>&1 ||
    { cat "$PREFIX/install.log"; fail "cmake --install"; }
for f in bin/quorvex bin/quorvex-cli bin/quorvex-gpssim bin/QUORVEX.XRF bin/QUORVEX.htb \
         share/applications/quorvex.desktop share/icons/hicolor/scalable/apps/quorvex.svg \
         share/man/man1/quorvex-cli.1 share/man/man1/quorvex-gpssim.1; do
    [ -s "$PREFIX/$f" ] || fail "$f not installed"
done
DESKTOP="$PREFIX/share/applications/quorvex.desktop"
grep -q '^Exec=quorvex' "$DESKTOP" || fail "desktop entry has no Exec"
! command -v desktop-file-validate >/dev/null || desktop-file-validate "$DESKTOP" ||
    fail "desktop entry invalid"
HELP=$("$PREFIX/bin/quorvex-cli" --help 2>&1) || fail "quorvex-cli --help exits non-zero"
echo "$HELP" | grep -q 'quorvex-cli garmin' || fail "quorvex-cli --help says nothing of garmin"

mkfifo "$PREFIX/sim.out"
"$PREFIX/bin/quorvex-gpssim" --profile old >"$PREFIX/sim.out" 2>/dev/null &
SIM_PID=$!
read -r DEVICE <"$PREFIX/sim.out" || fail "simulator printed no device"
OUT=$(timeout 30 "$PREFIX/bin/quorvex-cli" identify garmin --port "$DEVICE" 2>&1) ||
    fail "identify garmin exits non-zero: $OUT"
echo "$OUT" | grep -q '13' || fail "product 13 not shown: $OUT"
echo "$OUT" | grep -q 'A100' || fail "protocols from QUORVEX.XRF not shown: $OUT"
echo "installed programs run; QUORVEX.XRF found beside the installed quorvex-cli"
