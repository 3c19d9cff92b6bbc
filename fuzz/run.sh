#!/usr/bin/env bash
# Builds the catalogue fuzz target with clang and libFuzzer and runs it on
# the seed corpus. Extra arguments go to libFuzzer, e.g.
#   fuzz/run.sh -max_total_time=600
# A crash lands in build/fuzz/findings/; copy it into fuzz/regressions/ so that
# tst_fuzzregressions replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_BUILD_FUZZ=ON -DQUORVEL_BUILD_GUI=OFF \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_catalogue

# The grown corpus stays in the build folder; the seeds in fuzz/corpus.
work=$build/corpus
mkdir -p "$work" "$build/findings"
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16
"$build/bin/fuzz_catalogue" "$work" fuzz/corpus -dict=fuzz/catalogue.dict -timeout=1 \
    -rss_limit_mb=256 -max_len=4096 -artifact_prefix=build/fuzz/findings/ -print_final_stats=1 "$@"
