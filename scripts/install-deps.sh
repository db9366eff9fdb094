#!/usr/bin/env bash
# Installs the Debian packages that are missing. Usage: install-deps.sh [--test]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libsdl2-dev libsndfile1-dev libsamplerate0-dev fonts-dejavu-core)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev
             pulseaudio pulseaudio-utils xvfb xauth libx11-dev python3-numpy locales lame)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
