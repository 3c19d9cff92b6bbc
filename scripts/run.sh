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
    if [ -x "$bin/$program" ]; then
        echo "$program: $bin/$program"
    fi
done

if [ -x "$bin/quorvel" ]; then
    exec "$bin/quorvel" "$@"
fi
# Until the window exists, the command-line tool is the front end.
exec "$bin/quorvel-cli" "$@"
