#!/usr/bin/env bash
# Builds the static libraries the Windows program needs (mingw-w64, 64-bit)
# from Debian's own source packages, once per machine: Qt (qtbase, then Qt
# Multimedia into the same folder); zlib, liblzma and libFLAC for CHD images;
# FreeType, x264 and a minimal FFmpeg for the converter. Each component has a folder of
# its own, named by its version and a
# hash of what it is built from (options, recipe, toolchain, compiler, and the
# folders of the components it builds on), so that adding or changing one
# library never rebuilds another.
#
# Where: a finished folder is reused from the system cache
# (/var/cache/hotaru-windows-deps) or the user's (~/.cache/hotaru-windows-deps),
# whichever has it; a missing one is built into the system cache by whoever may
# write there (root), else into the user's. HOTARU_WINDOWS_DEPS names one
# folder to use instead of both.
#
# Usage: scripts/windows-deps.sh [--print-dir] [COMPONENT...]
#   Prints each COMPONENT's folder (default: all, in the order below), one a
#   line, after building what is missing; progress goes to standard error.
#   --print-dir  build nothing: print the finished folder, or where a build
#                would put it
set -eEuo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
system_cache="${HOTARU_WINDOWS_DEPS_SYSTEM:-/var/cache/hotaru-windows-deps}"
user_cache="${XDG_CACHE_HOME:-$HOME/.cache}/hotaru-windows-deps"
toolchain="$root/cmake/toolchain-mingw64.cmake"
triple=x86_64-w64-mingw32

components=(qt zlib xz flac freetype x264 ffmpeg)
declare -A version requires
version=([qt]=6.4.2 [zlib]=1.2.13 [xz]=5.4.1 [flac]=1.4.2 [freetype]=2.12.1 [x264]=0.164 [ffmpeg]=5.1)
# Components a component links against: their folders enter its key.
requires=([qt]="" [zlib]="" [xz]="" [flac]="" [freetype]=zlib [x264]="" [ffmpeg]="x264")

# Only Core, Gui, Widgets, the platform plugins, Test, and Network because
# Multimedia links it. Debian's source drops wintab.h, hence no tablet events;
# with OpenGL off, 6.4's Windows plugin only compiles without dynamic GL.
# What the program has no use for is left out, to pay for Multimedia's build
# time: the Direct2D platform plugin (Direct2D itself stays, DirectWrite's
# font engine needs it), the JPEG, GIF and ICO readers, ODF and Markdown
# text, the rarely used widgets, TUIO touch, and most of Network: Multimedia
# only reads local sound files through it. FreeType stays: the offscreen
# plugin the test suites run on draws with it.
qt_options=(
  -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_dynamicgl=OFF -DFEATURE_testlib=ON
  -DFEATURE_direct2d1_1=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF
  -DFEATURE_fontcombobox=OFF -DFEATURE_wizard=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF
  -DFEATURE_keysequenceedit=OFF -DFEATURE_commandlinkbutton=OFF -DFEATURE_toolbox=OFF
  -DFEATURE_splashscreen=OFF -DFEATURE_errormessage=OFF -DFEATURE_datawidgetmapper=OFF
  -DFEATURE_columnview=OFF
  -DFEATURE_http=OFF -DFEATURE_ssl=OFF -DFEATURE_schannel=OFF -DFEATURE_dnslookup=OFF
  -DFEATURE_localserver=OFF -DFEATURE_networkdiskcache=OFF -DFEATURE_topleveldomain=OFF
  -DFEATURE_socks5=OFF -DFEATURE_networklistmanager=OFF -DFEATURE_tuiotouch=OFF
)
# Qt Multimedia for QAudioSink: the library alone, whose Windows audio
# (WASAPI) needs the WMF feature. Its detection asks for Mf, Mfplat... in
# Windows' spelling, which mingw-w64's lower-case files never match on Linux.
qtmultimedia_options=(
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_wmf=ON -DFEATURE_ffmpeg=OFF -DFEATURE_gstreamer_1_0=OFF -DFEATURE_spatialaudio=OFF
  -DWMF_MF_LIBRARY=mf -DWMF_MFUUID_LIBRARY=mfuuid -DWMF_MFPLAT_LIBRARY=mfplat
  -DWMF_MFCORE_LIBRARY=mfcore -DWMF_PROPSYS_LIBRARY=propsys
)
# Debian's source has no win32 makefile: zlib's own configure, static only.
zlib_options=(--static)
xz_options=(
  "--host=$triple" --enable-static --disable-shared --disable-xz --disable-xzdec --disable-lzmadec
  --disable-lzmainfo --disable-lzma-links --disable-scripts --disable-doc --disable-nls
)
flac_options=(
  -DBUILD_SHARED_LIBS=OFF -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF
  -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=OFF -DWITH_STACK_PROTECTOR=OFF
)
# The converter's burnt-in subtitles: the library alone, with zlib for
# compressed fonts and none of HarfBuzz, PNG, Brotli or bzip2.
freetype_options=(
  -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_BROTLI=ON
  -DFT_DISABLE_BZIP2=ON -DFT_REQUIRE_ZLIB=ON
)
# The library only, 8-bit, with its assembly (nasm).
x264_options=(
  "--host=$triple" "--cross-prefix=$triple-" --enable-static --disable-cli --disable-opencl
  --bit-depth=8 --disable-lavf --disable-swscale --disable-ffms --disable-gpac --disable-lsmash
)
# What cpk2avi uses: the FILM reader (FFmpeg names it segafilm), the FILM
# audio decoders and the Cinepak decoder; the AVI and Matroska writers; for
# MP4, x264, the AAC encoder, the MP4 writer, and the scaler and resampler
# they need; the subtitle tracks' encoders (MP4's text, SRT, ASS). What a
# re-made movie needs: the Cinepak encoder (the FILM itself is written by
# our own code), and the readers of the videos fans make: MP4/MOV, Matroska
# and WebM, AVI, with their usual pictures and sound.
ffmpeg_options=(
  --disable-everything --disable-autodetect --disable-asm --disable-debug
  --disable-programs --disable-doc --disable-network
  --disable-avdevice --disable-avfilter --disable-postproc
  --enable-gpl --enable-libx264 --enable-w32threads
  "--enable-demuxer=segafilm,mov,matroska,avi,wav"
  "--enable-muxer=avi,mp4,matroska" --enable-protocol=file
  "--enable-decoder=cinepak,pcm_s8_planar,pcm_s16be_planar,pcm_u8,pcm_s16le,adpcm_adx"
  "--enable-decoder=h264,hevc,vp8,vp9,mpeg4,msmpeg4v3,mjpeg,aac,mp3float,opus,vorbis,flac"
  "--enable-decoder=pcm_s16be,pcm_s24le,pcm_s32le,pcm_f32le"
  "--enable-parser=h264,hevc,vp8,vp9,mpeg4video,aac,mpegaudio,opus,vorbis,flac"
  "--enable-encoder=libx264,aac,movtext,subrip,ass,cinepak"
  --enable-static --disable-shared --pkg-config=pkg-config --pkg-config-flags=--static
  --target-os=mingw32 --arch=x86_64 "--cross-prefix=$triple-"
)

# Recipes: build_NAME SOURCE-DIR PREFIX WORK-DIR LOG [SOURCE-DIR...], one
# source folder for each of its source packages. The folders of the
# components it requires are in dir[...].
build_qt() {
  local src="$1" prefix="$2" work="$3" log="$4" multimedia="$5" start=$SECONDS
  # Left out where no feature can: HarfBuzz's font subsetter, which Qt never
  # calls, the minimal platform plugin, and the framebuffer helpers that only
  # Linux plugins use.
  sed -i '/src\/hb-subset/d' "$src/src/3rdparty/harfbuzz-ng/CMakeLists.txt"
  sed -i '/add_subdirectory(\(devicediscovery\|fbconvenience\|minimal\))/d' \
    "$src/src/platformsupport/CMakeLists.txt" "$src/src/plugins/platforms/CMakeLists.txt"
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" >>"$log" 2>&1
  echo "windows-deps.sh: Qt configured in $((SECONDS - start)) s" >&2
  start=$SECONDS
  cmake --build "$work" --parallel "$jobs" >>"$log" 2>&1
  echo "windows-deps.sh: Qt built in $((SECONDS - start)) s" >&2
  cmake --install "$work" >>"$log" 2>&1

  # Only the library: no backend plugins, widgets, spatial audio, and no video
  # shaders, whose compiler (qsb) the host lacks. Two Windows headers are
  # named in another case than mingw-w64's files.
  echo 'add_subdirectory(multimedia)' >"$multimedia/src/CMakeLists.txt"
  sed -i -e '/^find_package(Qt6 COMPONENTS ShaderTools)/d' -e '/^qt_internal_add_shaders(/,/^)/d' \
    "$multimedia/src/multimedia/CMakeLists.txt"
  sed -i '/Q_INIT_RESOURCE(shaders)/d' "$multimedia/src/multimedia/video/qvideoframeformat.cpp"
  sed -i -e 's/<Mferror\.h>/<mferror.h>/' -e 's/<Wmcodecdsp\.h>/<wmcodecdsp.h>/' \
    "$multimedia"/src/multimedia/windows/*.cpp
  start=$SECONDS
  cmake -S "$multimedia" -B "$work-multimedia" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${qtmultimedia_options[@]}" >>"$log" 2>&1
  echo "windows-deps.sh: Qt Multimedia configured in $((SECONDS - start)) s" >&2
  start=$SECONDS
  cmake --build "$work-multimedia" --parallel "$jobs" >>"$log" 2>&1
  echo "windows-deps.sh: Qt Multimedia built in $((SECONDS - start)) s" >&2
  cmake --install "$work-multimedia" >>"$log" 2>&1
}
# shellcheck disable=SC2129  # one log, appended to step by step
build_zlib() {
  local src="$1" prefix="$2" log="$4"
  (cd "$src" && CHOST="$triple" CC="$triple-gcc-posix" AR="$triple-ar" RANLIB="$triple-ranlib" \
    ./configure --prefix="$prefix" "${zlib_options[@]}") >>"$log" 2>&1
  make -C "$src" -j"$jobs" libz.a >>"$log" 2>&1
  make -C "$src" install >>"$log" 2>&1
}
# shellcheck disable=SC2129
build_xz() {
  local src="$1" prefix="$2" work="$3" log="$4"
  (cd "$work" && CC="$triple-gcc-posix" "$src/configure" --prefix="$prefix" "${xz_options[@]}") >>"$log" 2>&1
  make -C "$work" -j"$jobs" >>"$log" 2>&1
  make -C "$work" install >>"$log" 2>&1
}
# shellcheck disable=SC2129
build_flac() {
  local src="$1" prefix="$2" work="$3" log="$4"
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${flac_options[@]}" >>"$log" 2>&1
  cmake --build "$work" --parallel "$jobs" >>"$log" 2>&1
  cmake --install "$work" >>"$log" 2>&1
}
# shellcheck disable=SC2129
build_freetype() {
  local src="$1" prefix="$2" work="$3" log="$4"
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DZLIB_INCLUDE_DIR="${dir[zlib]}/include" \
    -DZLIB_LIBRARY="${dir[zlib]}/lib/libz.a" "${freetype_options[@]}" >>"$log" 2>&1
  cmake --build "$work" --parallel "$jobs" >>"$log" 2>&1
  cmake --install "$work" >>"$log" 2>&1
}
# shellcheck disable=SC2129
build_x264() {
  local src="$1" prefix="$2" work="$3" log="$4"
  (cd "$work" && CC="$triple-gcc-posix" "$src/configure" --prefix="$prefix" "${x264_options[@]}") >>"$log" 2>&1
  make -C "$work" -j"$jobs" >>"$log" 2>&1
  make -C "$work" install >>"$log" 2>&1
}
# shellcheck disable=SC2129
build_ffmpeg() {
  local src="$1" prefix="$2" work="$3" log="$4"
  (cd "$work" && PKG_CONFIG_LIBDIR="${dir[x264]}/lib/pkgconfig" PKG_CONFIG_PATH="" \
    "$src/configure" --prefix="$prefix" "${ffmpeg_options[@]}") >>"$log" 2>&1
  make -C "$work" -j"$jobs" >>"$log" 2>&1
  make -C "$work" install >>"$log" 2>&1
}
declare -A source_package=([qt]="qt6-base qt6-multimedia" [zlib]=zlib [xz]=xz-utils [flac]=flac [freetype]=freetype [x264]=x264 [ffmpeg]=ffmpeg)
# Options of a component's further source packages: they enter its key too.
declare -A more_options=([qt]=qtmultimedia_options)

if [ "${1:-}" = --print-dir ]; then
  print_only=1
  shift
else
  print_only=0
fi
(($#)) || set -- "${components[@]}"
for c in "$@"; do
  [ -n "${version[$c]:-}" ] || { echo "windows-deps.sh: unknown component $c (known: ${components[*]})" >&2; exit 2; }
done

# Where finished folders are looked for, and where a missing one is built.
writable() {  # the folder, or the nearest one above it that exists, is writable
  local d="$1"
  while [ ! -e "$d" ]; do d="$(dirname "$d")"; done
  [ -d "$d" ] && [ -w "$d" ]
}
if [ -n "${HOTARU_WINDOWS_DEPS:-}" ]; then
  caches=("$HOTARU_WINDOWS_DEPS")
  build_cache="$HOTARU_WINDOWS_DEPS"
else
  caches=("$system_cache" "$user_cache")
  if writable "$system_cache"; then build_cache="$system_cache"; else build_cache="$user_cache"; fi
fi

compiler="$($triple-g++-posix -dumpfullversion 2>/dev/null || true)"
declare -A key dir
key_of() {  # NAME: NAME-VERSION-HASH; the keys of what it requires first
  local c="$1" r o
  [ -z "${key[$c]:-}" ] || return 0
  for r in ${requires[$c]}; do key_of "$r"; done
  key[$c]="$c-${version[$c]}-$( {
    for o in "${c}_options" ${more_options[$c]:-}; do
      o="${o}[@]"
      printf '%s\n' "${!o}"
    done
    declare -f "build_$c"
    for r in ${requires[$c]}; do echo "${key[$r]}"; done
    cat "$toolchain"
    echo "$compiler"
  } | sha256sum | cut -c1-10)"
}
find_done() {  # NAME: sets dir[NAME] to a finished folder; fails when there is none
  local c="$1" cache
  for cache in "${caches[@]}"; do
    if [ -f "$cache/${key[$c]}/.complete" ]; then
      dir[$c]="$cache/${key[$c]}"
      return 0
    fi
  done
  return 1
}

for c in "$@"; do key_of "$c"; done
if ((print_only)); then
  for c in "$@"; do
    find_done "$c" || dir[$c]="$build_cache/${key[$c]}"
    echo "${dir[$c]}"
  done
  exit 0
fi

prepared=0
prepare() {  # tools, deb-src entries, the lock: once, before the first build
  ((!prepared)) || return 0
  prepared=1
  local tool
  for tool in $triple-g++-posix $triple-gcc-posix cmake ninja dpkg-source make pkg-config nasm; do
    command -v "$tool" >/dev/null || { echo "windows-deps.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
  done
  [ -x /usr/lib/qt6/libexec/moc ] || { echo "windows-deps.sh: the host's Qt tools are missing: run scripts/setup.sh" >&2; exit 2; }
  # Whoever builds, every user may read the result.
  umask 022
  mkdir -p "$build_cache"
  # One build at a time; a second caller waits and then reuses it.
  exec 9>"$build_cache/lock"
  flock 9

  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # Source entries derived from the machine's own binary entries, so that no
  # server is named here; written only when the machine has none.
  if ! grep -rqsE '^(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    local src_list=/etc/apt/sources.list.d/hotaru-deb-src.sources tmp f
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
}

fetch() {  # COMPONENT PACKAGE WORK-DIR: unpacks one of its source packages, prints the folder
  local c="$1" pkg="$2" work="$3" dsc src
  # The newest version a mirror serves: some carry no sources for their
  # security updates, so an older version is tried next.
  local v fetched=0
  for v in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -Vru); do
    if (cd "$work" && apt-get source --download-only -q "$pkg=$v" >/dev/null 2>&1); then
      fetched=1
      break
    fi
    rm -f "$work/${pkg}"_*
  done
  ((fetched)) || { echo "windows-deps.sh: apt-get source $pkg failed" >&2; exit 1; }
  dsc="$(printf '%s\n' "$work/${pkg}"_*.dsc | sort -V | tail -n 1)"
  grep -q "^${version[$c]}" <(sed -n 's/^Version: \([0-9]*:\)\?//p' "$dsc" | head -n 1) ||
    { echo "windows-deps.sh: Debian's $pkg is not ${version[$c]}" >&2; exit 1; }
  src="$work/$(basename "$dsc" .dsc)"
  rm -rf "$src"
  dpkg-source --no-check -x "$dsc" "$src" >/dev/null 2>&1
  echo "$src"
}

jobs="$(nproc)"
ensure() {  # NAME: what it requires, then itself, unless finished already
  local c="$1" r
  for r in ${requires[$c]}; do ensure "$r"; done
  find_done "$c" && return 0
  prepare
  find_done "$c" && return 0  # built by whoever held the lock before us
  local prefix="$build_cache/${key[$c]}" work="$build_cache/work/$c"
  local log="$build_cache/${key[$c]}.log" pkg src=() start=$SECONDS
  echo "windows-deps.sh: building $c into $prefix (log: $log)" >&2
  trap 'echo "windows-deps.sh: FAILED, see $log" >&2' ERR
  rm -rf "$prefix" "$work"
  mkdir -p "$work/build"
  : >"$log"
  for pkg in ${source_package[$c]}; do src+=("$(fetch "$c" "$pkg" "$work")"); done
  "build_$c" "${src[0]}" "$prefix" "$work/build" "$log" "${src[@]:1}"
  rm -rf "$work"
  touch "$prefix/.complete"
  trap - ERR
  echo "windows-deps.sh: $c done in $((SECONDS - start)) s" >&2
  dir[$c]="$prefix"
}

for c in "$@"; do ensure "$c"; done
for c in "$@"; do echo "${dir[$c]}"; done
