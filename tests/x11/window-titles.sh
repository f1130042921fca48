#!/usr/bin/env bash
# window-titles.sh CASE PROGRAM SAMPLE_MAKER: starts the real program on the X
# server in $DISPLAY (see with-xvfb.sh), drives it with xdotool and checks each
# box's and dialog's title exactly as the window system has it (_NET_WM_NAME).
# No window manager runs: Qt sets the property on its own windows. The
# program speaks Japanese (--lang ja), whose titles these are.
set -uo pipefail

case_name="$1"
program="$2"
maker="$3"
main_title="ホタル奇譚ムービーカッター"

[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }
[ -x "$maker" ] || { echo "FAIL: no make-sample-archive at $maker"; exit 1; }
for tool in xdotool xprop xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "FAIL: $tool is missing (scripts/setup.sh installs xdotool and x11-utils)"
    exit 1
  fi
done

work="$(mktemp -d "${X11_SCRATCH:-${TMPDIR:-/tmp}}/titles.XXXXXX")"
pid=
failures=0
finish() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi
  if ((failures)) && [ -s "$work/program.log" ]; then
    echo "--- the program's output:"; cat "$work/program.log"
  fi
  rm -rf "$work"
}
trap finish EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
die() { fail "$*"; exit 1; }

# X calls never wait forever.
x() { timeout 5 "$@"; }

title_of() {
  x xprop -id "$1" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'
}

# The first type Qt gives a window: _NET_WM_WINDOW_TYPE_NORMAL, _DIALOG, _POPUP_MENU...
type_of() {
  x xprop -id "$1" -notype _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/^_NET_WM_WINDOW_TYPE = \([A-Z_]*\).*/\1/p'
}

# The program's mapped top-level windows and boxes, one "id type" a line (menus left out).
shown_windows() {
  local w t
  for w in $(x xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    t="$(type_of "$w")"
    case "$t" in
      _NET_WM_WINDOW_TYPE_NORMAL | _NET_WM_WINDOW_TYPE_DIALOG) echo "$w ${t#_NET_WM_WINDOW_TYPE_}" ;;
    esac
  done
}

is_shown() { shown_windows | grep -q "^$1 "; }

# Polls are counted in tenths of a second (plus the time the X calls take):
# a minute, for a window a busy machine is slow to show.
polls=600

# Waits for a window that is not among the given ones: sets new_id and new_type.
new_id=
new_type=
wait_new_window() {
  local known=" $* " i id t
  for ((i = 0; i < polls; i++)); do
    kill -0 "$pid" 2>/dev/null || die "the program ended early"
    while read -r id t; do
      [ -n "$id" ] || continue
      case "$known" in *" $id "*) continue ;; esac
      new_id="$id"
      new_type="$t"
      return 0
    done < <(shown_windows)
    sleep 0.1
  done
  return 1
}

wait_gone() {
  local i
  for ((i = 0; i < polls; i++)); do
    is_shown "$1" || return 0
    sleep 0.1
  done
  return 1
}

# Waits until the program shows one of its menus (an override-redirect popup).
wait_menu() {
  local i w
  for ((i = 0; i < polls; i++)); do
    for w in $(x xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      case "$(type_of "$w")" in *MENU) return 0 ;; esac
    done
    sleep 0.1
  done
  return 1
}

expect_title() {
  local w="$1" want="$2" what="$3" got
  got="$(title_of "$w")"
  if [ "$got" = "$want" ]; then
    echo "ok: $what is titled \"$got\""
  else
    fail "$what is titled \"$got\", expected \"$want\""
  fi
}

keys() {
  local w="$1"; shift
  x xdotool windowfocus --sync "$w" || die "could not give window $w the keyboard"
  x xdotool key --clearmodifiers "$@"
}

# Opens a menu with its Alt key and picks an item by its letter.
menu_pick() {
  keys "$main" "alt+$2"
  wait_menu || die "the menu of Alt+$2 did not open"
  x xdotool key "$3"
}

# Starts the program and waits for its main window, answering what start-up asks.
# With CHECK_STARTUP=1 the box of a machine without a CD-ROM drive is checked too.
main=
start_program() {
  cd "$HOME" || die "no HOME"
  "$program" --lang ja >"$work/program.log" 2>&1 &
  pid=$!
  local w boxes=0
  while :; do
    wait_new_window || die "the program showed no window within $((polls / 10)) s"
    w="$new_id"
    if [ "$new_type" = NORMAL ]; then
      main="$w"
      break
    fi
    boxes=$((boxes + 1))
    ((boxes <= 3)) || die "start-up keeps asking"
    if [ "${CHECK_STARTUP:-0}" = 1 ]; then
      expect_title "$w" "エラーですわよ。" "the box for a machine without a CD-ROM drive"
      # It comes before the main window, which shows only once it is answered.
      ! polls=5 wait_new_window "$w" || fail "a $new_type window is already up while the start-up box shows"
      keys "$w" Return
    else
      # OK on the box of a machine without a drive, Cancel on "put the CD in".
      keys "$w" Escape
    fi
    wait_gone "$w" || die "the start-up box did not close"
  done
  expect_title "$main" "$main_title" "the main window"
}

# Picks FILE in the open dialog of File > Open, typed into Qt's own dialog.
open_file() {
  local file="$1" dialog
  menu_pick "$main" f o
  wait_new_window "$main" || die "File > Open showed no dialog"
  dialog="$new_id"
  keys "$dialog" ctrl+a
  x xdotool type --delay 5 "$file"
  # The name's completion list may take the first Return.
  for _ in 1 2 3; do
    x xdotool key Return
    wait_gone "$dialog" && return 0
  done
  die "the open dialog did not take $file"
}

# Waits for the next window besides the main one: sets new_id.
expect_window() {
  wait_new_window "$main" || die "$1 did not show"
}

no_sr_drive() { ! compgen -G '/sys/block/sr*' >/dev/null; }

case "$case_name" in
  startup)
    if ! no_sr_drive; then
      echo "SKIP: this machine has a CD-ROM drive (/sys/block/sr*), so start-up does not show the no-drive box"
      exit 77
    fi
    CHECK_STARTUP=1 start_program
    ;;
  output-folder)
    start_program
    menu_pick "$main" f s
    expect_window "ﾌｧｲﾙ > 保存先の指定"
    expect_title "$new_id" "保存先の指定" "the output-folder dialog"
    ;;
  converter)
    start_program
    menu_pick "$main" o a
    expect_window "ｵﾌﾟｼｮﾝ > AVIを出力"
    link="$new_id"
    expect_title "$link" "ACPK2AVIとの連携" "the converter link dialog"
    # ﾍﾙﾌﾟ (Button4: 200,72 75x25) opens the converter information window.
    x xdotool mousemove --window "$link" 237 84 click 1
    wait_new_window "$main" "$link" || die "ﾍﾙﾌﾟ opened no window"
    expect_title "$new_id" "Form4" "the converter information window"
    ;;
  about)
    start_program
    menu_pick "$main" h a
    expect_window "ﾍﾙﾌﾟ > ﾊﾞｰｼﾞｮﾝ情報"
    expect_title "$new_id" "バージョン情報" "the about box"
    ;;
  error-box)
    start_program
    mkdir -p "$work/locked"
    archive="$work/locked/hotaru4"
    : >"$archive"
    chmod 000 "$archive"
    # Whoever may read any file gets one that is not there: the same error box.
    if [ -r "$archive" ]; then
      echo "note: running with rights that read a 000-mode file; opening a missing archive instead"
      archive="$work/locked/missing/hotaru4"
    fi
    open_file "$archive"
    expect_window "the error box for an unreadable archive"
    expect_title "$new_id" "$main_title" "the standard error box"
    ;;
  duplicate-pick)
    start_program
    mkdir -p "$work/disc1"
    "$maker" --disc 1 "$work/disc1/hotaru4" >/dev/null || die "make-sample-archive failed"
    open_file "$work/disc1/hotaru4"
    # "->" is Button2 at 192,40 (41x41) of the client area, which sits under the menu bar.
    height="$(x xwininfo -id "$main" | sed -n 's/^ *Height: *//p')"
    menubar=$((height - 297))
    ((menubar > 0)) || die "the main window is $height pixels high, expected more than its 297-pixel client area"
    x xdotool mousemove --window "$main" 212 $((menubar + 60)) click 1
    if polls=10 wait_new_window "$main"; then
      die "the first \"->\" already showed a box titled \"$(title_of "$new_id")\""
    fi
    x xdotool mousemove --window "$main" 212 $((menubar + 60)) click 1
    expect_window "the box for a title picked twice"
    expect_title "$new_id" "エラー" "the duplicate-pick box"
    ;;
  *)
    die "unknown case $case_name"
    ;;
esac

((failures == 0)) || exit 1
echo "PASS: $case_name"
