#!/usr/bin/env bash
# Sets up the machine, builds Quorvel for /usr and makes the Debian package
# build/package/quorvel_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF
cmake --build build/package -j2
(cd build/package && cpack -G DEB)
ls build/package/quorvel_*.deb
