#!/usr/bin/env bash
# Builds the Debian package hotaru-movie-cutter_<version>_<arch>.deb from a
# Release build of only what ships: the program, the converter cpk2avi, the
# desktop entry, the AppStream metainfo, the icons and the manual pages.
# Usage: scripts/package.sh [OUTPUT_DIR]   (default: build-package/)
#        scripts/package.sh windows [OUTPUT_DIR]: the Windows zip and installer
#        instead (scripts/package-windows.sh)
# It builds in the release preset's tree (build-release/).
# Installs dpkg-dev (dpkg-shlibdeps fills in Depends) when it is missing; the
# rest of what the build needs comes from scripts/setup.sh.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = windows ]; then
  shift
  exec "$root/scripts/package-windows.sh" "$@"
fi
out="${1:-$root/build-package}"
build="$(cmake -DPRESET=release -P "$root/cmake/PresetBinaryDir.cmake")"

if ! command -v dpkg-shlibdeps >/dev/null; then
  echo "Installing: dpkg-dev"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends dpkg-dev
fi

# No tests, and installing does not build everything first: only what ships is built.
cmake --preset release -S "$root"
cmake --build "$build" --target hotaru-movie-cutter cpk2avi hotaru_manpage

mkdir -p "$out"
out="$(cd "$out" && pwd)"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out"
rm -rf "$out/_CPack_Packages"
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
deb="$out/hotaru-movie-cutter_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "package.sh: $deb was not made" >&2; exit 1; }
echo "$deb"
