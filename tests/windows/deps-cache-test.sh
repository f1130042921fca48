#!/usr/bin/env bash
# Where scripts/windows-deps.sh finds and puts its builds, checked with
# --print-dir against finished folders marked by hand: nothing is built.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
failed=0

deps() {  # SYSTEM-CACHE HOME [ARGS...]: the folders it names
  local system="$1" home="$2"
  shift 2
  env -u HOTARU_WINDOWS_DEPS -u XDG_CACHE_HOME HOTARU_WINDOWS_DEPS_SYSTEM="$system" HOME="$home" \
    "$root/scripts/windows-deps.sh" --print-dir "$@"
}
expect() {  # WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: expected '$2', got '$3'"
    failed=1
  fi
}
finish() {  # FOLDER: as a finished build leaves it
  mkdir -p "$1"
  touch "$1/.complete"
}

sys="$scratch/sys" alice="$scratch/alice" bob="$scratch/bob"
mkdir -p "$alice" "$bob"
qt_key="$(basename "$(deps "$sys" "$alice" qt)")"
ff_key="$(basename "$(deps "$sys" "$alice" ffmpeg)")"
expect "each component has a folder of its own" 1 "$([ "$qt_key" != "$ff_key" ] && echo 1)"
all="$(deps "$sys" "$alice" | xargs -n1 basename | sed 's/-[^-]*-[^-]*$//' | paste -sd ' ')"
expect "no argument names every component, Qt first, FFmpeg after x264" "qt zlib xz flac freetype x264 ffmpeg" "$all"

# Nothing built yet: whoever may write the system cache builds there.
expect "nothing built, system cache writable: built there" "$sys/$qt_key" "$(deps "$sys" "$alice" qt)"
mkdir -p "$sys"
if [ "$(id -u)" -ne 0 ]; then
  # Root may write anywhere, so only another user meets a closed system cache.
  chmod 555 "$sys"
  expect "nothing built, system cache closed: built in the user's" \
    "$alice/.cache/hotaru-windows-deps/$qt_key" "$(deps "$sys" "$alice" qt)"
  expect "XDG_CACHE_HOME moves the user's cache" "$scratch/xdg/hotaru-windows-deps/$qt_key" \
    "$(XDG_CACHE_HOME="$scratch/xdg" HOTARU_WINDOWS_DEPS_SYSTEM="$sys" HOME="$alice" \
      "$root/scripts/windows-deps.sh" --print-dir qt)"
  chmod 755 "$sys"
fi

# A user's finished build serves that user even where the system cache is writable.
finish "$alice/.cache/hotaru-windows-deps/$qt_key"
expect "built by the user: reused from the user's cache" \
  "$alice/.cache/hotaru-windows-deps/$qt_key" "$(deps "$sys" "$alice" qt)"
expect "another user does not see it" "$sys/$qt_key" "$(deps "$sys" "$bob" qt)"

# A system build serves every user, and wins over a user's own.
finish "$sys/$qt_key"
expect "built in the system cache: reused by any user" "$sys/$qt_key" "$(deps "$sys" "$bob" qt)"
expect "the system build wins over the user's" "$sys/$qt_key" "$(deps "$sys" "$alice" qt)"

# Each component is found on its own.
finish "$bob/.cache/hotaru-windows-deps/$ff_key"
expect "Qt from the system cache, FFmpeg from the user's" \
  "$sys/$qt_key $bob/.cache/hotaru-windows-deps/$ff_key" "$(deps "$sys" "$bob" qt ffmpeg | paste -sd ' ')"

# A folder without its mark is an interrupted build, not a finished one.
mkdir -p "$sys/$ff_key"
expect "an unfinished folder is not reused" "$bob/.cache/hotaru-windows-deps/$ff_key" "$(deps "$sys" "$bob" ffmpeg)"

expect "HOTARU_WINDOWS_DEPS names the one folder used" "$scratch/own/$qt_key" \
  "$(HOTARU_WINDOWS_DEPS="$scratch/own" HOTARU_WINDOWS_DEPS_SYSTEM="$sys" HOME="$alice" \
    "$root/scripts/windows-deps.sh" --print-dir qt)"

# Another FFmpeg option leaves Qt's folder as it is, and moves FFmpeg's.
copy="$scratch/copy"
mkdir -p "$copy/scripts" "$copy/cmake"
cp "$root/cmake/toolchain-mingw64.cmake" "$copy/cmake/"
sed 's/--enable-muxer=avi/--enable-muxer=avi,wav/' "$root/scripts/windows-deps.sh" >"$copy/scripts/windows-deps.sh"
chmod +x "$copy/scripts/windows-deps.sh"
changed="$(env -u HOTARU_WINDOWS_DEPS HOTARU_WINDOWS_DEPS_SYSTEM="$sys" HOME="$bob" \
  "$copy/scripts/windows-deps.sh" --print-dir qt ffmpeg | xargs -n1 basename | paste -sd ' ')"
expect "changing FFmpeg keeps Qt's key" "$qt_key" "${changed%% *}"
expect "changing FFmpeg changes its own key" 1 "$([ "${changed#* }" != "$ff_key" ] && echo 1)"

# FFmpeg builds on x264: another x264 option moves both, and not Qt.
sed 's/--disable-opencl/--disable-opencl --disable-avs/' "$root/scripts/windows-deps.sh" >"$copy/scripts/windows-deps.sh"
changed="$(env -u HOTARU_WINDOWS_DEPS HOTARU_WINDOWS_DEPS_SYSTEM="$sys" HOME="$bob" \
  "$copy/scripts/windows-deps.sh" --print-dir qt ffmpeg | xargs -n1 basename | paste -sd ' ')"
expect "changing x264 keeps Qt's key" "$qt_key" "${changed%% *}"
expect "changing x264 changes FFmpeg's key" 1 "$([ "${changed#* }" != "$ff_key" ] && echo 1)"

expect "an unknown component is refused" 2 "$(deps "$sys" "$bob" zlib-typo 2>/dev/null; echo $?)"

exit "$failed"
