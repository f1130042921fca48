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

# One server for the prefix that stays up until it is killed (wineserver -k):
# a program started while a server of its own accord is ending is dropped
# ("wine client error: ... recvmsg"), and with cases two at a time that
# happens. Starts it unless one runs already.
wine_server_start() {
  local rc=0
  "$wineserver" -p 2>/dev/null || rc=$?
  # 2: a server of this prefix runs already.
  [ "$rc" -eq 0 ] || [ "$rc" -eq 2 ]
}

# wine_settle: waits (five minutes at most) until no program of the prefix runs any more
# but Wine's own services, which a persistent server keeps (wineserver -w
# waits for the server itself, which such a server never ends).
wine_settle() {
  local deadline=$((SECONDS + 300)) bin dir exe comm busy
  bin="$(dirname "$(readlink -f "$wine64")")"
  while :; do
    busy=
    for dir in /proc/[0-9]*; do
      exe="$(readlink "$dir/exe" 2>/dev/null)" || continue
      # Wine's programs run as its loader.
      case "$exe" in "$bin"/wine64*) ;; *) continue ;; esac
      read -r comm <"$dir/comm" 2>/dev/null || continue
      case "$comm" in services.exe | winedevice.exe | plugplay.exe | svchost.exe | rpcss.exe | explorer.exe) continue ;; esac
      tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && { busy="$comm"; break; }
    done
    [ -n "$busy" ] || return 0
    ((SECONDS < deadline)) || { echo "wine_settle: $busy still runs in $WINEPREFIX" >&2; return 1; }
    sleep 0.2
  done
}

# wine_dropped FILE: whether a program's output shows that Wine dropped it
# (it never ran, or not to the end), whatever its exit code.
wine_dropped() { grep -q 'wine client error' "$1"; }

# Z:-form of a host path, for arguments the Windows programs take.
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }
