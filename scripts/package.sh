#!/usr/bin/env bash
# Sets up the machine, builds Quorvel for /usr and makes the Debian package
# build/package/quorvel_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# Debian's own compiler and linker flags for packages, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cmake --build build/package -j2
rm -f build/package/quorvel_*.deb
(cd build/package && cpack -G DEB)
ls build/package/quorvel_*.deb
