#!/usr/bin/env bash
# Builds static Qt and a minimal static FFmpeg for 64-bit Windows (mingw-w64)
# from Debian's own source packages, once per machine: the result is cached
# under ~/.cache/hotaru-windows-deps/<key>/ (qt/, ffmpeg/), the key naming the
# versions and a hash of the options, and reused while its stamp is there.
# Prints the cache folder on standard output; progress goes to standard error.
# Usage: scripts/windows-deps.sh [--print-dir]
#   --print-dir  print the folder the key names and exit, building nothing
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${HOTARU_WINDOWS_DEPS:-$HOME/.cache/hotaru-windows-deps}"
toolchain="$root/cmake/toolchain-mingw64.cmake"
triple=x86_64-w64-mingw32

qt_version=6.4.2
ffmpeg_series=5.1

# Only Core, Gui, Widgets, the platform plugins and Test. Debian's source drops
# wintab.h, hence no tablet events; with OpenGL off, 6.4's Windows plugin only
# compiles without dynamic GL.
qt_options=(
  -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_dynamicgl=OFF -DFEATURE_testlib=ON
)
# What cpk2avi uses: the FILM reader (FFmpeg names it segafilm), the AVI writer, the
# FILM audio decoders, and the Cinepak decoder the probe opens.
ffmpeg_options=(
  --disable-everything --disable-autodetect --disable-asm --disable-debug
  --disable-programs --disable-doc --disable-network
  --disable-swscale --disable-swresample --disable-avdevice --disable-avfilter --disable-postproc
  --enable-demuxer=segafilm --enable-muxer=avi --enable-protocol=file
  --enable-decoder=cinepak,pcm_s8_planar,pcm_s16be_planar,pcm_u8,pcm_s16le,adpcm_adx
  --enable-static --disable-shared
  --target-os=mingw32 --arch=x86_64 --cross-prefix=$triple-
)

hash="$( {
  printf '%s\n' "${qt_options[@]}" "${ffmpeg_options[@]}"
  cat "$toolchain"
  $triple-g++-posix -dumpfullversion 2>/dev/null || true
} | sha256sum | cut -c1-10)"
key="qt-$qt_version-ffmpeg-$ffmpeg_series-$hash"
prefix="$cache/$key"

if [ "${1:-}" = --print-dir ]; then
  echo "$prefix"
  exit 0
fi
# Built already: nothing to write, so any user who may read the cache reuses it.
if [ -f "$prefix/stamp" ]; then
  echo "windows-deps.sh: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi
# One build at a time; a second caller waits and then reuses it.
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
if [ -f "$prefix/stamp" ]; then
  echo "windows-deps.sh: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

for tool in $triple-g++-posix $triple-gcc-posix cmake ninja dpkg-source make pkg-config; do
  command -v "$tool" >/dev/null || { echo "windows-deps.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
[ -x /usr/lib/qt6/libexec/moc ] || { echo "windows-deps.sh: the host's Qt tools are missing: run scripts/setup.sh" >&2; exit 2; }

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Source entries derived from the machine's own binary entries, so that no
# server is named here; written only when the machine has none.
has_deb_src() {
  grep -rqsE '^(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_deb_src; then
  src_list=/etc/apt/sources.list.d/hotaru-deb-src.sources
  tmp="$(mktemp)"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Each deb822 stanza with Types: deb gets a twin with Types: deb-src.
    awk 'BEGIN { RS=""; ORS="\n\n" }
         /(^|\n)Types:[^\n]*deb/ { gsub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f" >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb[[:space:]]/deb-src /p' /etc/apt/sources.list |
      awk '{ sub(/^deb-src /, ""); print }' |
      while read -r uri suite comps; do
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n\n' "$uri" "$suite" "$comps"
      done >>"$tmp"
  fi
  [ -s "$tmp" ] || { echo "windows-deps.sh: no apt source entries to derive deb-src entries from" >&2; exit 2; }
  "${sudo_cmd[@]}" install -m 644 "$tmp" "$src_list"
  rm -f "$tmp"
  echo "windows-deps.sh: wrote $src_list" >&2
fi
"${sudo_cmd[@]}" apt-get update -q >/dev/null

work="$cache/work"
mkdir -p "$work"
fetch() {  # source package, pattern of its unpacked folder
  local pkg="$1" dir
  (cd "$work" && apt-get source --download-only -q "$pkg" >/dev/null 2>&1) ||
    { echo "windows-deps.sh: apt-get source $pkg failed" >&2; exit 1; }
  dsc="$(ls -t "$work"/"${pkg}"_*.dsc | head -n 1)"
  dir="$work/$(basename "$dsc" .dsc)"
  rm -rf "$dir"
  dpkg-source --no-check -x "$dsc" "$dir" >/dev/null 2>&1
  echo "$dir"
}

jobs="$(nproc)"
log="$cache/$key.log"
mkdir -p "$prefix"
trap 'echo "windows-deps.sh: FAILED, see $log" >&2' ERR
echo "windows-deps.sh: building into $prefix (log: $log)" >&2

if [ ! -f "$prefix/ffmpeg/stamp" ]; then
  ffsrc="$(fetch ffmpeg)"
  grep -q "^$ffmpeg_series" <(sed -n 's/^Version: \([0-9]*:\)\?//p' "$ffsrc"/../ffmpeg_*.dsc | head -n 1) ||
    { echo "windows-deps.sh: Debian's ffmpeg is not $ffmpeg_series" >&2; exit 1; }
  rm -rf "$prefix/ffmpeg" "$work/ffmpeg-build"
  mkdir -p "$work/ffmpeg-build"
  start=$SECONDS
  (cd "$work/ffmpeg-build" && "$ffsrc/configure" --prefix="$prefix/ffmpeg" "${ffmpeg_options[@]}") >>"$log" 2>&1
  make -C "$work/ffmpeg-build" -j"$jobs" >>"$log" 2>&1
  make -C "$work/ffmpeg-build" install >>"$log" 2>&1
  echo "windows-deps.sh: FFmpeg built and installed in $((SECONDS - start)) s" >&2
  rm -rf "$work/ffmpeg-build" "$ffsrc"
  touch "$prefix/ffmpeg/stamp"
fi

if [ ! -f "$prefix/qt/stamp" ]; then
  qtsrc="$(fetch qt6-base)"
  grep -q "^$qt_version" <(sed -n 's/^Version: \([0-9]*:\)\?//p' "$qtsrc"/../qt6-base_*.dsc | head -n 1) ||
    { echo "windows-deps.sh: Debian's qt6-base is not $qt_version" >&2; exit 1; }
  rm -rf "$prefix/qt" "$work/qt-build"
  start=$SECONDS
  cmake -S "$qtsrc" -B "$work/qt-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix/qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" >>"$log" 2>&1
  echo "windows-deps.sh: Qt configured in $((SECONDS - start)) s" >&2
  start=$SECONDS
  cmake --build "$work/qt-build" --parallel "$jobs" >>"$log" 2>&1
  echo "windows-deps.sh: Qt built in $((SECONDS - start)) s" >&2
  start=$SECONDS
  cmake --install "$work/qt-build" >>"$log" 2>&1
  echo "windows-deps.sh: Qt installed in $((SECONDS - start)) s" >&2
  rm -rf "$work/qt-build" "$qtsrc"
  touch "$prefix/qt/stamp"
fi

touch "$prefix/stamp"
echo "$prefix"
