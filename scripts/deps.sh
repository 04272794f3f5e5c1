#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# and any further ones named as arguments, skipping those already present.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-multimedia-dev
    libhidapi-dev libudev-dev libmosquitto-dev mosquitto openssl libsqlite3-dev
    prometheus-cpp-dev prometheus systemd libsystemd-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core
    nodejs chromium
    "$@"
)
# npm builds the web page; a Node.js from elsewhere may bring its own.
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
