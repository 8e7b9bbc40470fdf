#!/usr/bin/env bash
# Installs what building, running and testing Kelvora needs on Debian 12.
# Idempotent: does nothing (and says nothing) when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin libgl-dev
  qt6-httpserver-dev qt6-websockets-dev iproute2 procps desktop-file-utils appstream dpkg-dev file
  xvfb xauth xdotool x11-utils imagemagick icewm
  fonts-noto-cjk fonts-arphic-uming fonts-arphic-ukai qt6-translations-l10n clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
