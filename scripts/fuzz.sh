#!/usr/bin/env bash
# Builds the fuzz targets under tests/fuzz with clang's libFuzzer (address
# and undefined-behaviour sanitizers) and runs each for FUZZ_SECONDS
# (default 60). The seed corpus in tests/fuzz/corpus/<target> is read only;
# what the run adds goes to $FUZZ_BUILD/corpus/<target>, a crashing input
# to $FUZZ_BUILD/artifacts/<target>/. Exits non-zero on a finding.
#   FUZZ_SECONDS=600 scripts/fuzz.sh            all targets, ten minutes each
#   scripts/fuzz.sh recordingHeader             one target
set -euo pipefail
cd "$(dirname "$0")/.."
# clang and its libFuzzer runtime: only the fuzz targets need them.
scripts/bootstrap.sh clang libclang-rt-dev

out=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -Isoftfrontpanel/stream -Itests/support)

# Each target: its source and the program sources it reads.
declare -A sources=(
  [recordingHeader]="softfrontpanel/stream/recordingReader.cpp"
)

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${!sources[@]}")
status=0
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t" "$out/artifacts/$t"
  # shellcheck disable=SC2086
  clang++ "${flags[@]}" "tests/fuzz/fuzz_$t.cpp" ${sources[$t]} -o "$out/fuzz_$t"
  dict=()
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  echo "== fuzz_$t for ${seconds} s"
  "$out/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$out/artifacts/$t/" "$out/corpus/$t" "tests/fuzz/corpus/$t" \
    || status=1
done
exit $status
