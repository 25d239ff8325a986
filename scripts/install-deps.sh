#!/usr/bin/env bash
# Installs every Debian package Kipo needs to build, test and run. Safe to run again:
# it only calls apt-get when something is missing, and says nothing when all is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang make pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  libicu-dev libpugixml-dev libfreeimage-dev libzip-dev zlib1g-dev libdeflate-dev
  libpango1.0-dev libcairo2-dev fontconfig fonts-liberation2 fonts-dejavu-core
  libxml2-utils libxml2-dev nodejs
  python3 unzip  # independent checks of the zip packages the office writers make
  qt6-base-dev libqt6opengl6-dev libgl-dev
  ffmpeg libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libmpv-dev libhunspell-dev hunspell-en-us hunspell-en-gb
  valgrind  # the video tests again under memcheck, which sees FFmpeg's own writes
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
# npm comes with some builds of nodejs; Debian's own nodejs needs the npm package.
if ! command -v npm >/dev/null 2>&1 && ! dpkg-query -W -f='${Status}' npm 2>/dev/null | grep -q "install ok installed"; then
  missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The independent Timed Text reader the tests run the writers' files through (imscJS),
# at the version tests/tools/package-lock.json names.
tools="$(cd "$(dirname "$0")/../tests/tools" && pwd)"
if [ ! -d "$tools/node_modules/imsc" ] && command -v npm >/dev/null 2>&1; then
  echo "Installing the test tools in tests/tools (npm ci)"
  (cd "$tools" && npm ci --silent --no-audit --no-fund >/dev/null)
fi
