#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine: installs every package the build and the tests need,
# builds the project into build/ and registers the office server for the current user.
# Run as root (or with sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # build
  build-essential cmake g++ clang-format binutils pkg-config libgtest-dev nlohmann-json3-dev
  # the progress window
  libx11-dev libxft-dev libfontconfig-dev fonts-wqy-zenhei
  # the word processor: the full Writer (not the -nogui core) and its SDK
  libreoffice-writer libreoffice-core libreoffice-dev
  # tests: a display, screenshots, the page checker's needs, the fuzzer
  xvfb xauth x11-utils xdotool imagemagick fvwm python3-uno poppler-utils clang-14 libclang-rt-14-dev
  # the Windows build: the 32-bit cross compiler, and 32-bit Wine to run its tests
  g++-mingw-w64-i686 wine wine32:i386
)

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${packages[@]}"
else
  echo "setup: not root; assuming these packages are installed: ${packages[*]}" >&2
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

if [ -x scripts/register-office.sh ] && [ -f build/src/automation/office/libfolivex-office.so ]; then
  scripts/register-office.sh "$PWD/build/src/automation/office/libfolivex-office.so"
fi
