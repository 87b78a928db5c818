#!/usr/bin/env bash
# Runs one QtTest executable for CTest and gives the verdict.
#
# A test passes only when its process exits with 0 AND its closing QtTest
# totals line is present and shows no failure. The exit code catches what the
# totals line cannot show (a sanitizer report, which QtTest prints after its
# totals, a crash in a destructor); the totals line catches a run that ended
# early with exit code 0 (for example through an error box's "Yes").
#
# Usage: run_qtest.sh <test executable> [arguments...]
set -u
log=$(mktemp "${TMPDIR:-/tmp}/ov_qtest.XXXXXX") || exit 2
trap 'rm -f "$log"' EXIT

"$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}

totals=$(grep -E '^Totals: ' "$log" | tail -n 1)
if [ "$rc" -ne 0 ]; then
    echo "VERDICT: FAILED, the test process exited with code $rc"
    exit 1
fi
if [ -z "$totals" ]; then
    echo "VERDICT: FAILED, the test process ended without a QtTest totals line"
    exit 1
fi
if ! grep -qE '^Totals: [0-9]+ passed, 0 failed' <<<"$totals"; then
    echo "VERDICT: FAILED, $totals"
    exit 1
fi
exit 0
