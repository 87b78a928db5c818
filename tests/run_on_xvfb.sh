#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, one screen of the given
# size, with Qt's xcb platform: for tests of where windows go on a screen of
# a real size (the offscreen platform's screen is 800 x 600). Xvfb picks a
# free display number itself, so parallel runs never meet.
#
# Usage: run_on_xvfb.sh <width>x<height> <command> [arguments...]
set -u
size=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/ov_xvfb.XXXXXX") || exit 2
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$dir/display" ]; then
    echo "run_on_xvfb.sh: the virtual display did not start:" >&2
    cat "$dir/log" >&2
    exit 2
fi
DISPLAY=":$(head -n 1 "$dir/display")" QT_QPA_PLATFORM=xcb "$@"
