#!/usr/bin/env bash
# Installs the Debian packages that are missing. Usage: install-deps.sh [--test]
#
# With --test it adds what the tests need, but never a second sound server:
# where one already answers (PipeWire's pulse service or PulseAudio on a
# desktop) only the client tools are installed, and the tests load a private
# null sink into it; the PulseAudio daemon is installed only where none runs.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libsdl2-dev libpulse-dev libsndfile1-dev libsamplerate0-dev libfftw3-dev libexpat1-dev libxcb-present-dev libwayland-dev libwayland-bin wayland-protocols qt6-base-private-dev fonts-dejavu-core)

sound_server_runs() {
  command -v pactl >/dev/null 2>&1 && pactl info >/dev/null 2>&1 && return 0
  # No client tools yet: look for a server's socket or for PipeWire's pulse service.
  [[ -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ]] && return 0
  dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q 'install ok installed' && return 0
  pgrep -x pipewire-pulse >/dev/null 2>&1 || pgrep -x pulseaudio >/dev/null 2>&1
}

if [[ "${1:-}" == "--test" ]]; then
  packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format
             pulseaudio-utils xvfb xauth libx11-dev lame xdotool playerctl x11-utils imagemagick python3-numpy locales sox weston qt6-wayland
             dbus desktop-file-utils appstream dpkg-dev file lintian chromium strace procps
             clang libclang-rt-14-dev)
  sound_server_runs || packages+=(pulseaudio)
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
