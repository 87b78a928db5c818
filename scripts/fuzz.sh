#!/usr/bin/env bash
# Builds the fuzz targets under tests/fuzz with clang's libFuzzer (address
# and undefined-behaviour sanitizers) and runs each for FUZZ_SECONDS
# (default 60). The seed corpus in tests/fuzz/corpus/<target> is read only;
# what the run adds goes to $FUZZ_BUILD/corpus/<target>, a crashing input
# to $FUZZ_BUILD/artifacts/<target>/. Exits non-zero on a finding.
#   FUZZ_SECONDS=600 scripts/fuzz.sh            all targets, ten minutes each
#   scripts/fuzz.sh recordingHeader             one target
# Targets: recordingHeader (the header reader alone), recordingFile
# (ov7931rec's info, verify and convert on the whole file).
set -euo pipefail
cd "$(dirname "$0")/.."
# clang and its libFuzzer runtime: only the fuzz targets need them.
scripts/bootstrap.sh clang libclang-rt-dev

out=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -Isoftfrontpanel/stream -Itests/support)

# Each target: its source and the program sources it reads.
rec=ov7931rec
declare -A sources=(
  [recordingHeader]="softfrontpanel/stream/recordingReader.cpp"
  [recordingFile]="$rec/recFile.cpp $rec/recInfo.cpp $rec/recVerify.cpp $rec/recConvert.cpp $rec/recHdf5.cpp
    $rec/recOutput.cpp $rec/recStats.cpp softfrontpanel/stream/recordingReader.cpp
    softfrontpanel/stream/recordingHeader.cpp softfrontpanel/stream/recordingStats.cpp softfrontpanel/stream/runTexts.cpp
    softfrontpanel/stream/csvFormat.cpp softfrontpanel/framework/ov9174fp_waveformLengths.cpp"
)
# What a target needs beyond that: include folders and libraries to link.
declare -A extra=(
  [recordingFile]="-I$rec -Isoftfrontpanel/framework -Isimulator $(pkg-config --cflags --libs hdf5)"
)
# Options of a run beyond the defaults. The recording file target writes
# files and prints the verbs' messages: its output is closed (libFuzzer's
# own reports still come), and a single allocation over 64 MB or a process
# over 1 GB is a finding (no block of a recording the panel can make needs
# more than 1.28 MB).
declare -A options=(
  [recordingFile]="-close_fd_mask=3 -malloc_limit_mb=64 -rss_limit_mb=1024"
)
# The dictionary of a target, when it shares another's (the header's keys).
declare -A dictionaries=(
  [recordingFile]=recordingHeader
)

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${!sources[@]}")
status=0
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t" "$out/artifacts/$t"
  # shellcheck disable=SC2086
  clang++ "${flags[@]}" "tests/fuzz/fuzz_$t.cpp" ${sources[$t]} ${extra[$t]:-} -o "$out/fuzz_$t"
  dict=()
  d=${dictionaries[$t]:-$t}
  [ -f "tests/fuzz/$d.dict" ] && dict=(-dict="tests/fuzz/$d.dict")
  echo "== fuzz_$t for ${seconds} s"
  # shellcheck disable=SC2086
  "$out/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 ${options[$t]:-} \
    "${dict[@]}" -artifact_prefix="$out/artifacts/$t/" "$out/corpus/$t" "tests/fuzz/corpus/$t" \
    || status=1
done
exit $status
