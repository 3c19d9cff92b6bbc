#!/usr/bin/env bash
# Sets up the machine, builds the two programs (no tests, no benchmarks)
# and starts Quorvel on the default workspace.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF \
    -DQUORVEL_BUILD_BENCH=OFF
cmake --build build/release -j2

bin="$PWD/build/release/bin"
for program in quorvel quorvel-cli; do
    echo "$program: $bin/$program"
done

exec "$bin/quorvel" "$@"
