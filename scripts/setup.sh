#!/usr/bin/env bash
# Installs what building and testing kovendi needs, when it is missing (Debian packages).
# "scripts/setup.sh windows" adds what the Windows build and its tests under Wine need.
set -euo pipefail

packages=(g++ cmake ninja-build libgtest-dev libgmock-dev openjdk-17-jdk-headless rsync util-linux
          libx11-dev xvfb x11-apps x11-utils xdotool imagemagick xfonts-base
          man-db dpkg-dev lintian logrotate postgresql libpostgresql-jdbc-java
          clang libclang-rt-14-dev sudo openssl)
if [ "${1:-}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine64 fonts-wine unzip nsis)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run this script as root to install them" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
