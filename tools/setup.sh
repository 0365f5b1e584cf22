#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs everything the build, the tests and the run need on Debian 12 (run as root).
# Idempotent: when every package is already there it returns at once.
set -euo pipefail

# fonts-wine: Wine's own fonts, among them Marlett, which draws the title bars' caption buttons.
# python3-yaml: the test of the winget manifests reads them with it.
packages=(
    cmake ninja-build g++ git clang-format
    clang-14 libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix nsis
    wine wine64 fonts-wine xvfb x11-utils xdotool
    googletest librapidxml-dev nlohmann-json3-dev gsoap dpkg-dev
    fonts-liberation imagemagick
    python3 python3-yaml openssl weather-util-data xplanet-images oxygen-icon-theme iso-codes tzdata
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: missing packages (${missing[*]}); run this script as root" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# gSOAP's runtime source (stdsoap2.cpp) is in no binary package: Debian's gsoap ships only
# soapcpp2 and the import files, libgsoap-dev only stdsoap2.h and Linux libraries. The Windows
# tree compiles the runtime from Debian's own source package of the same version, unpacked
# once into /usr/local/src/nimbrel-gsoap (outside the work tree, so a clean checkout or a
# wiped build directory keeps it); weather/soap/CMakeLists.txt looks for it there. The runtime
# must be the version of soapcpp2, so an upgraded gsoap package fetches its source anew.
gsoap_source=/usr/local/src/nimbrel-gsoap
gsoap_package=$(dpkg-query -W -f='${Version}' gsoap)
gsoap_version=$(echo "$gsoap_package" | sed -e 's/^[0-9]*://' -e 's/-[^-]*$//')
if [ ! -f "$gsoap_source/gsoap-$gsoap_version/gsoap/stdsoap2.cpp" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: gSOAP source missing in $gsoap_source; run this script as root" >&2
        exit 1
    fi
    # apt-get source needs deb-src entries: when none is active, a copy of the system's own
    # entries as deb-src goes beside them (Debian 12's deb822 file, or the classic list).
    if ! grep -qsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*.{list,sources}; then
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
                >/etc/apt/sources.list.d/nimbrel-deb-src.sources
        else
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/nimbrel-deb-src.list
        fi
    fi
    echo "setup: fetching the gSOAP source package into $gsoap_source"
    apt-get update -q
    mkdir -p "$gsoap_source"
    (cd "$gsoap_source" && apt-get source -q "gsoap=$gsoap_package")
fi
