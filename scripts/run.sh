#!/usr/bin/env bash
# Sets up the machine, builds Quorvel and starts it on the default workspace.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_TESTS=OFF
cmake --build build/release -j2

if [ -x build/release/bin/quorvel ]; then
    exec build/release/bin/quorvel "$@"
fi
# Until the window exists, the command-line tool is the front end.
exec build/release/bin/quorvel-cli "$@"
