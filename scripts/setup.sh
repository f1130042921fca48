#!/usr/bin/env bash
# Installs what is missing (Debian 12), then configures and builds.
# Usage: scripts/setup.sh [--lean] [build-dir] [extra cmake args...]
#   --lean  only what the program and its converter need to build and run,
#           and only those targets (TARGETS may name others); without it,
#           everything the tests, the Windows suite and the screenshots need.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lean=0
if [ "${1:-}" = --lean ]; then
  lean=1
  shift
fi
build="${1:-$root/build}"
shift || true

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev
  fonts-noto-cjk fontconfig
)
if ((!lean)); then
  packages+=(
    libgtest-dev ffmpeg fonts-dejavu-core
    xvfb xauth imagemagick xdotool x11-utils
    g++-mingw-w64-x86-64-posix wine64 wine locales
    dpkg-dev man-db clang-format shellcheck nsis
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

targets=()
if ((lean)); then
  set -- -DHOTARU_BUILD_TESTS=OFF "$@"
  read -r -a targets <<<"${TARGETS:-hotaru-movie-cutter cpk2avi make-sample-archive}"
else
  set -- -DHOTARU_BUILD_TESTS=ON "$@"
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
# Ninja uses every core by itself.
if ((${#targets[@]})); then
  cmake --build "$build" --target "${targets[@]}"
else
  cmake --build "$build"
fi
