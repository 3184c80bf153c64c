#!/bin/sh
# Installs a build tree into a scratch prefix and runs the installed programs:
# quorvex-cli --help, and quorvex-cli identify garmin against the installed
# simulator posing as an old receiver, which only works when the installed
# quorvex-cli finds the installed QUORVEX.XRF. Also checks the desktop entry,
# the icon and the help book landed where they belong.
#
# usage: install_check.sh BUILD_DIR
set -eu
BUILD=${1:?usage: install_check.sh BUILD_DIR}
PREFIX=$(mktemp -d /tmp/quorvex-install-XXXXXX)
SIM_PID=""
cleanup() {
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$PREFIX"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >"$PREFIX.log" 2>&1 || { cat "$PREFIX.log"; rm -f "$PREFIX.log"; fail "cmake --install"; }
rm -f "$PREFIX.log"

for f in bin/quorvex bin/quorvex-cli bin/quorvex-gpssim bin/QUORVEX.XRF bin/QUORVEX.htb \
         share/applications/quorvex.desktop share/icons/hicolor/scalable/apps/quorvex.svg \
         share/man/man1/quorvex-cli.1 share/man/man1/quorvex-gpssim.1; do
    [ -s "$PREFIX/$f" ] || fail "$f not installed"
done
grep -q '^Exec=quorvex' "$PREFIX/share/applications/quorvex.desktop" || fail "desktop entry has no Exec"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$PREFIX/share/applications/quorvex.desktop" || fail "desktop entry invalid"
fi

"$PREFIX/bin/quorvex-cli" --help >"$PREFIX/help.txt" 2>&1 || fail "quorvex-cli --help exits non-zero"
grep -q 'quorvex-cli garmin' "$PREFIX/help.txt" || fail "quorvex-cli --help says nothing of garmin"

# The installed simulator as an old receiver: no capability list, so the
# installed quorvex-cli must look product 13 up in its own QUORVEX.XRF.
mkfifo "$PREFIX/sim.out"
"$PREFIX/bin/quorvex-gpssim" --profile old >"$PREFIX/sim.out" 2>/dev/null &
SIM_PID=$!
read -r DEVICE <"$PREFIX/sim.out" || fail "simulator printed no device"
OUT=$(timeout 30 "$PREFIX/bin/quorvex-cli" identify garmin --port "$DEVICE" 2>&1) ||
    { echo "$OUT"; fail "identify garmin exits non-zero"; }
echo "$OUT" | grep -q '13' || { echo "$OUT"; fail "product 13 not shown"; }
echo "$OUT" | grep -q 'A100' || { echo "$OUT"; fail "protocols from QUORVEX.XRF not shown"; }
echo "installed programs run; QUORVEX.XRF found beside the installed quorvex-cli"
