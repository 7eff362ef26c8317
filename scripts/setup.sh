#!/usr/bin/env bash
# Installs what QX736 needs (only what is missing), then configures and builds it.
# Used by ./run.sh, ./test.sh and CI; safe to run again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n
  libqcustomplot-dev libhidapi-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake_args=(-S "$root" -B "$build" -G Ninja)
[ "${QX_SANITIZE:-0}" = "1" ] && cmake_args+=(-DQX_SANITIZE=ON)
cmake "${cmake_args[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
