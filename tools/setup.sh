#!/usr/bin/env bash
# Installs everything the build, the tests and the run need on Debian 12 (run as root).
# Idempotent: when every package is already there it returns at once.
set -euo pipefail

packages=(
    cmake ninja-build g++ git
    g++-mingw-w64-x86-64-posix
    wine wine64 xvfb x11-utils xdotool
    googletest librapidxml-dev gsoap
    fonts-liberation imagemagick
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
