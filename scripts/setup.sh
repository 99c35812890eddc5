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
  # the Windows build: the 32-bit cross compiler, 32-bit Wine (the preloader keeps its start
  # fast under emulation) and the Song face that stands in for the captions' font
  g++-mingw-w64-i686 wine wine32:i386 wine32-preloader:i386 fonts-arphic-gbsn00lp locales
)

# Where the kernel runs no 32-bit code, 32-bit Wine runs under qemu-i386, and only qemu 8 or
# later can carry it (docs/windows.md); Debian 12 has it in its backports suite.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
backports=$codename-backports

# The backports suite from the same mirror and with the same key as the machine's own Debian
# suite, read from its sources (deb822 files first, then one-line lists), so the set-up
# trusts nothing the machine does not already trust. Written once; left alone where some
# source already names the suite.
add_backports_source() {
  local file=/etc/apt/sources.list.d/folivex-backports.sources others found uri signed_by
  [ -n "$codename" ] || { echo "setup: /etc/os-release names no release" >&2; return 1; }
  others=$(find /etc/apt/sources.list.d -maxdepth 1 \( -name '*.sources' -o -name '*.list' \) \
    ! -name "$(basename "$file")" 2>/dev/null | sort)
  if grep -h -s -q -E "^[^#]*[[:space:]]$backports([[:space:]]|\$)" /etc/apt/sources.list $others; then
    return 0
  fi
  # deb822: the first enabled "deb" stanza whose Suites hold the release itself; its first
  # URI, and its Signed-By with any continuation lines (a key written inline).
  found=$(awk -v suite="$codename" '
    function flush() {
      if (!done && types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ") && enabled != "no" && uri != "")
        { print uri; printf "%s", signed; done = 1; exit }
      types = suites = uri = signed = enabled = ""; field = ""
    }
    /^[[:space:]]*#/ { next }
    /^[[:space:]]*$/ { flush(); next }
    /^[ \t]/ { if (field == "signed-by") signed = signed "\n" $0; next }
    {
      field = tolower(substr($0, 1, index($0, ":") - 1)); value = substr($0, index($0, ":") + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      if (field == "types") types = value
      else if (field == "suites") suites = value
      else if (field == "uris") { split(value, u, /[ \t]+/); uri = u[1] }
      else if (field == "signed-by") signed = value
      else if (field == "enabled") enabled = tolower(value)
    }
    END { flush() }' $(ls /etc/apt/sources.list.d/*.sources 2>/dev/null | sort) /dev/null)
  if [ -z "$found" ]; then
    # One-line: deb [signed-by=KEY ...] URI SUITE COMPONENTS
    found=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk -v suite="$codename" '
      $1 != "deb" { next }
      {
        signed = ""; i = 2
        if ($2 ~ /^\[/) {
          for (; i <= NF; i++) {
            if ($i ~ /^\[?signed-by=/) { signed = $i; sub(/^\[?signed-by=/, "", signed); sub(/\]$/, "", signed) }
            if ($i ~ /\]$/) { i++; break }
          }
        }
        if ($(i + 1) == suite) { print $i; printf "%s", signed; exit }
      }')
  fi
  uri=$(printf '%s\n' "$found" | head -n 1)
  signed_by=$(printf '%s\n' "$found" | tail -n +2)
  [ -n "$uri" ] || { echo "setup: no Debian source for $codename to take $backports from" >&2; return 1; }
  {
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$backports"
    [ -z "$signed_by" ] || printf 'Signed-By: %s\n' "$signed_by"
  } >"$file.new"
  if cmp -s "$file.new" "$file"; then rm -f "$file.new"; else mv "$file.new" "$file"; fi
}

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  add_backports_source
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${packages[@]}"
  apt-get install -y -q --no-install-recommends -t "$backports" qemu-user qemu-user-binfmt
  # Wine runs the Windows suite in the Simplified Chinese locale; without it on the system
  # Wine takes the code page from the name but cannot spell Chinese file names.
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale -a | grep -x 'zh_CN.utf8' >/dev/null || locale-gen
else
  echo "setup: not root; assuming these packages are installed: ${packages[*]} qemu-user ($backports)" >&2
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

if [ -x scripts/register-office.sh ] && [ -f build/src/automation/office/libfolivex-office.so ]; then
  scripts/register-office.sh "$PWD/build/src/automation/office/libfolivex-office.so"
fi
