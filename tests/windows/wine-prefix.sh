# Sourced by the scripts that run the Windows suites and the program
# under Wine: a throw-away 64-bit prefix with a Japanese system (code page
# 932) and the Noto CJK fonts in its Fonts folder, so that Japanese text
# shows. Set WORK before sourcing; call new_prefix, then run programs with
# "${wine[@]}".
# shellcheck shell=bash

wine64="$(command -v wine64 || true)"
[ -n "$wine64" ] || wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || { echo "wine64 is missing: run scripts/setup.sh" >&2; exit 2; }
wineserver="$(dirname "$wine64")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"

export WINEPREFIX="$WORK/wine-prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer.
export WINEDLLOVERRIDES="mscoree,mshtml="

locales="$WORK/wine-locale"
wine=(env -u LANG -u LANGUAGE LOCPATH="$locales" LC_ALL=ja_JP.UTF-8 "$wine64")

# boot_prefix: a fresh prefix with a Japanese system (the ANSI code page is
# Shift-JIS, 932, while Wine keeps UTF-8 for the host's file names; that takes
# a real ja_JP.UTF-8 locale, compiled here so the host needs none installed)
# and only C: and Z:, so nothing of the host takes part in a drive scan.
boot_prefix() {
  rm -rf "$locales"
  mkdir -p "$locales"
  localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >/dev/null 2>&1 || true
  [ -f "$locales/ja_JP.UTF-8/LC_CTYPE" ] ||
    { echo "cannot compile the ja_JP.UTF-8 locale: install locales (scripts/setup.sh)" >&2; exit 2; }
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  "${wine[@]}" wineboot -i >/dev/null 2>&1 </dev/null
  "$wineserver" -w
  find "$WINEPREFIX/dosdevices" -maxdepth 1 -name '?:*' ! -name 'c:' ! -name 'z:' -exec rm -f {} +
}

# new_prefix CDROM-FOLDER: booted as above, with Q: a CD-ROM drive showing
# that folder and the Noto CJK fonts in its Fonts folder.
new_prefix() {
  local cd="$1" fonts reg face
  boot_prefix
  ln -s "$cd" "$WINEPREFIX/dosdevices/q:"

  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  for f in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc /usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc; do
    [ -f "$f" ] || { echo "$f is missing: install fonts-noto-cjk (scripts/setup.sh)" >&2; exit 2; }
    cp "$f" "$fonts/"
  done

  reg="$WORK/wine-setup.reg"
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"q:"="cdrom"\r\n\r\n'
    # The user-interface faces of a Japanese Windows, taken by Noto. The
    # program's own face list names Noto itself after MS PGothic: a stand-in
    # under MS PGothic's name would bring Wine's guessed line heights.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in "MS UI Gothic" "Meiryo" "Meiryo UI" "Yu Gothic UI" "Segoe UI"; do
      printf '"%s"="Noto Sans CJK JP"\r\n' "$face"
    done
    printf '\r\n'
  } >"$reg"
  "${wine[@]}" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 </dev/null
  # The mount manager reads the drive types when it starts: let this server end.
  "$wineserver" -w
}

# Z:-form of a host path, for arguments the Windows programs take.
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }
