#!/usr/bin/env bash
# Installs the Debian packages the project needs (skipped when all are present), then configures
# and builds into the folder given as $1 (default "build") with any further CMake arguments.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  # build
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev
  libavcodec-dev libavformat-dev libavfilter-dev libavutil-dev libswscale-dev
  libswresample-dev libavdevice-dev libsdl2-dev libgtest-dev
  # run
  libavcodec-extra libsdl2-2.0-0 qt6-qpa-plugins fonts-noto-cjk xdg-utils adwaita-icon-theme
  # tests: a real X server for window checks, the FFmpeg tools as an independent checker
  xvfb xauth ffmpeg
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

BUILD_DIR="${1:-build}"
shift || true
GENERATOR=()
command -v ninja >/dev/null && GENERATOR=(-G Ninja)
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" "${GENERATOR[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
else
  cmake -S . -B "$BUILD_DIR" "$@"
fi
cmake --build "$BUILD_DIR" -j2
