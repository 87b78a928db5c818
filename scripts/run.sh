#!/usr/bin/env bash
# Starts the panel. Without a display it explains how to get one.
set -u
exe="$1"; shift
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
make run: no display found (DISPLAY is not set).
The panel is a desktop program and needs a window system. Either
  - run it from a desktop session or over `ssh -X`, or
  - start a virtual display:  xvfb-run -a -s "-screen 0 1600x1000x24" make run
    (take a screenshot with:  import -display :99 -window root shot.png)
MSG
  exit 1
fi
exec "$exe" "$@"
