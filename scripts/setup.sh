#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent: when every package is already present it returns at once.
set -euo pipefail

PACKAGES=(
  cmake ninja-build pkg-config g++ make
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6 qt6-image-formats-plugins
  libicu-dev libpcre2-dev libcurl4-openssl-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev zlib1g-dev nlohmann-json3-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  dpkg-dev file lintian
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 fonts-wine procps nsis
  xvfb xauth imagemagick
  fonts-wqy-microhei
  ca-certificates
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
