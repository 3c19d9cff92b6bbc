#!/usr/bin/env bash
# Installs what building and testing Quorvel needs on Debian 12, and only
# what is missing, so it can run again at no cost. With --package-checks,
# also the tools that check the Debian package (for .ci/run).
set -euo pipefail

packages=(
    qt6-base-dev qt6-svg-dev libqt6svg6 cmake ninja-build g++ clang libclang-rt-14-dev
    xvfb xauth xdotool imagemagick xdg-utils fonts-dejavu-core dpkg-dev file
    dbus-daemon libfuse3-dev fuse3 pkgconf libarchive-dev liburing-dev xfsprogs
)
package_check_tools=(lintian desktop-file-utils appstream)

for argument in "$@"; do
    case "$argument" in
    --package-checks) packages+=("${package_check_tools[@]}") ;;
    *)
        echo "usage: $0 [--package-checks]" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
