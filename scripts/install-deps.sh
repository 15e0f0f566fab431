#!/usr/bin/env bash
# Installs every Debian package Picura needs to build, test and run.
# Idempotent: does nothing when all packages are already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ninja-build clang-format
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libxkbcommon-dev
  libxcb1-dev libxcb-keysyms1-dev
  libjpeg62-turbo-dev libturbojpeg0-dev libjpeg-turbo-progs libpng-dev libgif-dev zlib1g-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-tools
  libasound2-dev alsa-utils
  libfreexl-dev libzip-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xclip x11-apps x11-utils imagemagick fonts-noto-cjk xdg-utils openbox python3
  clang libclang-rt-14-dev
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

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
