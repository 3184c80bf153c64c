#!/bin/sh
# Starts the desktop program from a build's bin directory.
set -eu
bin="$1"
if [ -x "$bin/quorvex" ]; then
    exec "$bin/quorvex"
fi
echo "The desktop program is not part of this build yet; built programs:"
ls "$bin"
