#!/usr/bin/env bash
# Installs what is missing (Debian 12), then configures and builds a preset's
# tree (CMakePresets.json: default in build/, sanitize, release, windows).
# Usage: scripts/setup.sh [--lean] [[--preset] NAME] [extra cmake args...]
#   --lean  only what the program and its converter need to build and run,
#           and only those targets (TARGETS may name others); without it,
#           everything the tests, the Windows suite and the screenshots need.
# Prints nothing of its own on standard output but the build folder, last.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lean=0
if [ "${1:-}" = --lean ]; then
  lean=1
  shift
fi
preset=default
if [ "${1:-}" = --preset ]; then
  preset="${2:?--preset needs a name}"
  shift 2
elif [ -n "${1:-}" ] && [ "${1#-}" = "$1" ]; then
  preset="$1"
  shift
fi
for var in BUILD_DIR BUILD_TYPE SANITIZE; do
  [ -z "${!var:-}" ] ||
    { echo "setup.sh: $var is no longer read: name a preset instead (cmake --list-presets)" >&2; exit 2; }
done

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-l10n-tools libgl-dev qt6-multimedia-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  zlib1g-dev liblzma-dev libflac-dev libfreetype-dev libfontconfig-dev
  fonts-noto-cjk fontconfig
)
if ((!lean)); then
  packages+=(
    libgtest-dev fonts-dejavu-core dbus-daemon pulseaudio pulseaudio-utils
    xvfb xauth imagemagick xdotool x11-utils
    g++-mingw-w64-x86-64-posix wine64 wine locales
    dpkg-dev man-db appstream desktop-file-utils clang-format shellcheck nsis nasm unzip python3
    xorriso mame-tools chromium mdf2iso nrg2iso iat ccd2iso mkvtoolnix libarchive-tools
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  {
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
  } >&2
fi

build="$(cmake -DPRESET="$preset" -P "$root/cmake/PresetBinaryDir.cmake")"
targets=()
if ((lean)); then
  set -- -DHOTARU_BUILD_TESTS=OFF "$@"
  read -r -a targets <<<"${TARGETS:-hotaru-movie-cutter cpk2avi make-sample-archive catalogue-info}"
fi
cmake --preset "$preset" -S "$root" "$@" >&2
# Ninja uses every core by itself.
if ((${#targets[@]})); then
  cmake --build "$build" --target "${targets[@]}" >&2
else
  cmake --build "$build" >&2
fi
echo "$build"
