#!/usr/bin/env bash
# Runs every benchmark; each prints one line per figure: "<figure>: <value> <unit>".
set -u
dir="$1"
status=0
export QT_QPA_PLATFORM=offscreen
for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status
