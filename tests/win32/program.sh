#!/usr/bin/env bash
# One end-to-end test of quillenta.exe under Wine, inside tests/win32/wine-session.sh (which
# provides WINEPREFIX, DISPLAY with openbox, WINE and QUILLENTA_WINE_TMP).
#   program.sh TEST QUILLENTA_EXE TESTWIN_EXE [SETUP_EXE]
# What a user sees is checked where the user sees it: Wine mirrors every window's text into
# its X window's _NET_WM_NAME. Every wait is bounded.
set -euo pipefail
TEST=$1 PROGRAM=$2 TESTWIN=$3
HERE=$(cd "$(dirname "$0")" && pwd)
: "${WINE:?run inside wine-session.sh}" "${QUILLENTA_WINE_TMP:?run inside wine-session.sh}"
# xprop prints UTF-8 only in a locale the C library has; Wine takes its own locale from the
# session's LANG (Japanese), which LC_ALL would override.
export LC_ALL=C.UTF-8
WIN=(env -u LC_ALL "$WINE")
# A program start under Wine and the 200 ms work tick on a loaded machine.
T=20

TMP=$(mktemp -d "$QUILLENTA_WINE_TMP/$TEST.XXXXXX")
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$TMP"/*.log; do [ -s "$f" ] && { echo "--- $f" && tail -n 20 "$f"; } >&2; done
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
wait_for() { # SECONDS DESCRIPTION CMD...
  local seconds=$1 what=$2
  shift 2
  local deadline=$(($(now_ms) + seconds * 1000))
  until "$@" >/dev/null 2>&1; do
    (($(now_ms) > deadline)) && fail "timed out after ${seconds}s waiting for: $what"
    sleep 0.05
  done
}

xtitle() { # XID: the title as X clients see it
  local out
  out=$(xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null) || return 0
  case $out in *' = "'*) out=${out#*= \"} && printf '%s' "${out%\"}" ;; esac
}
title_is() { [ "$(xtitle "$1")" = "$2" ]; }
title_differs() { [ "$(xtitle "$1")" != "$2" ]; }
line_shown_in() { # XID OWN_TITLE: the window shows a line that begins with its own title
  local title
  title=$(xtitle "$1")
  [ "$title" != "$2" ] && case $title in "$2 "*) return 0 ;; *) return 1 ;; esac
}
active_xid() { xprop -root -notype _NET_ACTIVE_WINDOW 2>/dev/null | sed 's/.* //'; }

# window VAR TITLE [CLASS]: a testwin; VAR gets its X window id, VAR_CTL its control file.
window() {
  local var=$1 title=$2 ctl="$TMP/$1.ctl" report="$TMP/$1.report" class=()
  [ -n "${3:-}" ] && class=(--class "$3")
  : >"$ctl"
  rm -f "$report"
  "${WIN[@]}" "$TESTWIN" --title "$title" "${class[@]}" --control "$(winpath "$ctl")" \
    --report "$(winpath "$report")" >"$TMP/testwin-$var.log" 2>&1 &
  local pid=$!
  PIDS+=($pid)
  wait_for $T "testwin $var to show" test -s "$report"
  # Wine marks each X window with the Linux pid of its process.
  wait_for $T "the X window of testwin $var" sh -c "xdotool search --onlyvisible --pid $pid | grep -q ."
  local xid
  xid=$(xdotool search --onlyvisible --pid "$pid" | head -n1)
  printf -v "$var" '%s' "$(printf '0x%x' "$xid")"
  printf -v "${var}_CTL" '%s' "$ctl"
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }
command_to() { printf '%s\n' "$2" >>"$1"; }
activate() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  wait_for $T "window $1 to become active" sh -c "[ \"\$(xprop -root -notype _NET_ACTIVE_WINDOW | sed 's/.* //')\" = '$1' ]"
}

# The program in a folder of its own: the settings file beside it is this test's alone.
APP_DIR="$TMP/app"
mkdir -p "$APP_DIR"
cp "$PROGRAM" "$APP_DIR/quillenta.exe"
# The settings file the program finds beside it; without one it starts as on a first run. The
# tests of the line keep the settings window hidden at start, as a user who set it so has it.
SETTINGS="$APP_DIR/quillenta.INI"
settings_file() { printf '[Quillenta]\r\n%s\r\n' "$@" >"$SETTINGS"; }
settings_file "b49=0"
# LAUNCH: how the program is started; an English session sets LC_ALL for it alone.
LAUNCH=("${WIN[@]}")
ENGLISH=(env LC_ALL=en_US.UTF-8 "$WINE")
start_program() { # [ARGS...]
  "${LAUNCH[@]}" "$APP_DIR/quillenta.exe" "$@" >>"$TMP/program.log" 2>&1 &
  PROGRAM_PID=$!
  PIDS+=($PROGRAM_PID)
}
alive() { kill -0 "$1" 2>/dev/null; }
dead() { ! kill -0 "$1" 2>/dev/null; }
end_program() { # the way a user ends it from a console: a close request, not /f
  "${WIN[@]}" taskkill /im quillenta.exe >>"$TMP/taskkill.log" 2>&1 || true
  wait_for $T "the program to end after taskkill" dead "$PROGRAM_PID"
  local status=0
  wait "$PROGRAM_PID" || status=$?
  [ "$status" = 0 ] || fail "the program ended with exit code $status"
}

# The tray: trayer (started by wine-session.sh) docks each icon of Wine's as an X window of
# explorer.exe under its panel.
tray_panel() { xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "panel": ("panel" "trayer").*/\1/p' | head -n1; }
tray_icons() { xwininfo -tree -id "$(tray_panel)" 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*("explorer.exe" "explorer.exe").*/\1/p'; }
icon_count_is() { [ "$(tray_icons | grep -c .)" = "$1" ]; }
centre_of() { # XID: "X Y" of its middle on the screen
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print int(x+w/2), int(y+h/2)}'
}
# pointer_to X Y: moves the pointer there and waits until it is. xdotool's own --sync waits
# for a motion, which never comes when the pointer is there already (a test that clicks where
# the one before it clicked), and then returns only after a long time-out of its own.
pointer_to() {
  local here
  here=$(xdotool getmouselocation --shell 2>/dev/null | tr '\n' ' ')
  case $here in "X=$1 Y=$2 "*) return 0 ;; esac
  xdotool mousemove --sync "$1" "$2"
}
click_at() { # X Y BUTTON
  pointer_to "$1" "$2"
  xdotool click "$3"
}
press_on() { # XID BUTTON: a press and a release in the middle of the window
  local xy
  read -r -a xy <<<"$(centre_of "$1")"
  click_at "${xy[0]}" "${xy[1]}" "$2"
}
# Wine's menus and boxes are windows of the process that opens them; the hidden main window
# never shows. The settings window and the error box are the ones titled "Quillenta" (or the
# line, in the foreground); the settings window is the one of the form's size.
program_windows() { xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null || true; }
titled_xid() {
  local id
  for id in $(program_windows); do
    case $(xtitle "$id") in Quillenta | "Quillenta "*) printf '0x%x\n' "$id" ;; esac
  done
}
settings_xid() { # the form's height; a translation may widen it
  local id size
  for id in $(titled_xid); do
    size=$(client_size_of "$id")
    [ "${size#*x}" = 285 ] && [ "${size%x*}" -ge 644 ] && printf '%s' "$id" && return
  done
}
window_shown() { [ -n "$(settings_xid)" ]; }
window_hidden() { [ -z "$(settings_xid)" ]; }
# What else shows: the menu, the error box, the file dialog.
other_windows() {
  local id settings
  settings=$(settings_xid)
  for id in $(program_windows); do
    [ "$(printf '0x%x' "$id")" = "$settings" ] || printf '0x%x\n' "$id"
  done
}
menu_open() { [ -n "$(other_windows)" ]; }
menu_closed() { [ -z "$(other_windows)" ]; }
menu_xid() { other_windows | head -n1; }
client_size_of() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
click_in_window() { # X Y in the settings window's client area, as the form places controls
  local xid x y
  xid=$(settings_xid)
  [ -n "$xid" ] || fail "no settings window to click in"
  x=$(xwininfo -id "$xid" | awk '/Absolute upper-left X/{print $4}')
  y=$(xwininfo -id "$xid" | awk '/Absolute upper-left Y/{print $4}')
  click_at $((x + $1)) $((y + $2)) 1
}
# The places of the form at 96 DPI: the bottom row, the tabs along the strip, and the time
# watch's first "参照" on its page (the page's client area starts at 5, 26).
click_ok() { click_in_window $((168 + 48)) $((256 + 12)); }
click_tab() { # 1..5
  local xs=(0 30 84 137 193 280)
  click_in_window "${xs[$1]}" 12
}
click_browse_1() { click_in_window $((5 + 8 + 541 + 17)) $((26 + 32 + 10)); }
# What the settings window shows, read in the program's own process by controls.exe: its
# client size, its tabs, and every control's class and text.
controls_shown() { "${WIN[@]}" "$(dirname "$TESTWIN")/controls.exe" QuillentaSettings | tr -d '\r'; }
# Japanese script: kana, the CJK ideographs, the full-width forms and their punctuation.
JAPANESE='[\x{3000}-\x{30ff}\x{4e00}-\x{9fff}\x{ff00}-\x{ffef}]'
english_captions() { # CONTEXT: the catalogue's English texts of that context
  awk -v c="msgctxt \"$1\"" '/^msgctxt/{m=($0==c)} m&&/^msgstr/{sub(/^msgstr "/,"");sub(/"$/,"");print}' \
    "$HERE/../../po/en.po"
}
stored() { # KEY: its line in the settings file
  tr -d '\r' <"$SETTINGS" | grep "^$1=" || true
}
open_settings_from_tray() {
  press_on "$ICON" 1
  wait_for $T "the menu" menu_open
  # The second of the two items, "設定".
  click_at_fraction "$(menu_xid)" 0.75
  wait_for $T "the settings window from the menu" window_shown
}
click_at_fraction() { # XID FRACTION_OF_HEIGHT: a left click that far down the window, mid-width
  local x y w h
  x=$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print $4}')
  y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/{print $4}')
  w=$(xwininfo -id "$1" | awk '/Width:/{print $2}')
  h=$(xwininfo -id "$1" | awk '/Height:/{print $2}')
  click_at $((x + w / 2)) "$(awk -v y="$y" -v h="$h" -v f="$2" 'BEGIN{print int(y + h * f)}')" 1
}
wait_for_icon() {
  wait_for $T "the tray icon to dock" icon_count_is 1
  ICON=$(tray_icons | head -n1)
}
end_from_menu() { # the program's exit code must be 0
  local status=0
  wait_for $T "the program to end after 終了" dead "$PROGRAM_PID"
  wait "$PROGRAM_PID" || status=$?
  [ "$status" = 0 ] || fail "the program ended with exit code $status"
}

win_env() { "${WIN[@]}" cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { "${WIN[@]}" winepath -u "$1" 2>/dev/null; }

start_on() { # XID OWN_TITLE
  activate "$1"
  start_program
  await_line "$1" "$2"
}
await_line() { # XID OWN_TITLE
  wait_for_icon
  # Wine hands the Windows foreground to a tray icon as it docks, though X keeps the window
  # active: the user clicks the window again, as often as it takes (bounded).
  local deadline=$(($(now_ms) + T * 1000))
  until line_shown_in "$1" "$2"; do
    (($(now_ms) > deadline)) && fail "timed out after ${T}s waiting for: the line in the focused window"
    xdotool windowactivate "$1" >/dev/null 2>&1 || true
    sleep 1
  done
}

case $TEST in
  line_and_switch)
    window A "Alpha editor"
    window B "Beta ノート"
    start_on "$A" "Alpha editor"
    activate "$B"
    wait_for $T "A to get its own title back" title_is "$A" "Alpha editor"
    wait_for $T "the line in B" line_shown_in "$B" "Beta ノート"
    title_is "$A" "Alpha editor" || fail "A no longer shows its own title: $(xtitle "$A")"
    ;;

  default_line)
    # A fresh start in a Japanese session: every item of the default sequence, in order.
    window A "Alpha"
    start_on "$A" "Alpha"
    line=$(xtitle "$A")
    pattern="^Alpha [0-9]{4}/[0-9]{1,2}/[0-9]{1,2} \((日|月|火|水|木|金|土)\) [0-9]{1,2}:[0-9]{2}:[0-9]{2}"
    pattern+=" M:[0-9]+% V:[0-9]+% P:[0-9]+% C:[0-9]+% E:[0-9]+% S:[0-9]+% G:[0-9]+% U:[0-9]+%"
    pattern+=" [0-9]+ﾟ[0-9]{2}'[0-9]{2}'' 受:[0-9,]+byte 送:[0-9,]+byte $"
    [[ $line =~ $pattern ]] || fail "the line does not read as the default layout: $line"
    days=(日 月 火 水 木 金 土)
    weekday=${BASH_REMATCH[1]} today=${days[$(date +%w)]}
    [ "$weekday" = "$today" ] || fail "weekday $weekday, but today is $today: $line"
    printf '%s\n' "$line" >"$QUILLENTA_WINE_TMP/default-line.txt"
    ;;

  own_title_change)
    window A "Alpha editor"
    window B "Beta"
    start_on "$A" "Alpha editor"
    command_to "$A_CTL" "title Alpha renamed"
    wait_for $T "the line to carry A's new title" line_shown_in "$A" "Alpha renamed"
    activate "$B"
    wait_for $T "A to get its new title back" title_is "$A" "Alpha renamed"
    ;;

  retitling_window)
    # A page whose title ticks every 40 ms keeps the line: its own title read every 10 ms for
    # 10 s. Answered only at the work tick, about one sample in ten would hold it; answered at
    # once (from the first work tick that sees the page retitle itself), 93 to 95 % did.
    # Half tells the two apart whatever the load.
    window A "Alpha page"
    start_on "$A" "Alpha page"
    command_to "$A_CTL" "retitle 40 250 $(winpath "$TMP/a.samples")"
    wait_for 60 "the retitles to end" test -s "$TMP/a.samples"
    read -r _ held _ count <"$TMP/a.samples"
    echo "the line was in $held of $count samples"
    ((count > 0 && held * 2 >= count)) || fail "the line was in $held of $count samples"
    # A window that sets its title back whenever another program changes it: no loop, at
    # most 20 writes a second into it, and the tick goes on.
    window B "Beta stubborn"
    command_to "$B_CTL" "setback $(winpath "$TMP/b.count")"
    activate "$B"
    sleep 5
    activate "$A"
    wait_for $T "the line back in A" line_shown_in "$A" "Alpha page #250"
    read -r _ _ writes _ ms _ <"$TMP/b.count" || fail "B was never written"
    echo "$writes writes into B in $ms ms"
    ((writes * 1000 <= 20 * ms)) || fail "$writes writes into B in $ms ms"
    ;;

  long_title)
    # 500 Japanese characters, 1500 bytes of UTF-8: read whole and given back whole.
    long=$(printf '長%.0s' $(seq 500))
    window A "$long"
    window B "Beta"
    start_on "$A" "$long"
    activate "$B"
    wait_for $T "A to get all 500 characters back" title_is "$A" "$long"
    ;;

  second_instance)
    window A "Alpha"
    start_on "$A" "Alpha"
    first=$PROGRAM_PID
    status=0
    timeout 20 "${WIN[@]}" "$APP_DIR/quillenta.exe" >>"$TMP/second.log" 2>&1 || status=$?
    [ "$status" = 0 ] || fail "the second start ended with $status"
    alive "$first" || fail "the first instance ended"
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons after a second start"
    before=$(xtitle "$A")
    wait_for $T "the first instance to go on writing" title_differs "$A" "$before"
    line_shown_in "$A" "Alpha" || fail "the line in A: $(xtitle "$A")"
    ;;

  hung_window)
    # A target that stops answering messages must not stop the line in the next window.
    window A "Alpha"
    window B "Beta"
    start_on "$A" "Alpha"
    command_to "$A_CTL" "hang 12000"
    sleep 1
    activate "$B"
    wait_for 8 "the line in B while A hangs" line_shown_in "$B" "Beta"
    before=$(xtitle "$B")
    wait_for 5 "the line in B to go on changing" title_differs "$B" "$before"
    # Once A answers again it has its own title, whatever was left queued for it.
    wait_for 30 "A to have its own title once it answers (it shows: $(xtitle "$A"))" title_is "$A" "Alpha"
    ;;

  taskkill_restores)
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    cp "$SETTINGS" "$TMP/before.INI"
    end_program
    wait_for $T "A to get its own title back" title_is "$A" "Alpha editor"
    # Ending saves nothing.
    cmp -s "$SETTINGS" "$TMP/before.INI" || fail "the program wrote its settings file at the end"
    ;;

  killed_gives_back)
    # taskkill /f gives the program no shutdown: the next start gives back what it left where
    # a window still shows the line written last, and nowhere else.
    "${WIN[@]}" notepad >"$TMP/notepad.log" 2>&1 &
    PIDS+=($!)
    wait_for $T "Notepad" sh -c "xdotool search --onlyvisible --classname notepad.exe | grep -q ."
    N=$(printf '0x%x' "$(xdotool search --onlyvisible --classname notepad.exe | head -n1)")
    own=$(xtitle "$N")
    window A "Alpha"
    kill_program() {
      "${WIN[@]}" taskkill /f /im quillenta.exe >>"$TMP/taskkill.log" 2>&1 || true
      wait_for $T "the program to be killed" dead "$PROGRAM_PID"
    }
    start_on "$A" "Alpha"
    kill_program
    command_to "$A_CTL" "title Alpha renamed"
    wait_for $T "A's owner to retitle it" title_is "$A" "Alpha renamed"
    start_on "$N" "$own"
    title_is "$A" "Alpha renamed" || fail "the start undid the retitle of A's owner: $(xtitle "$A")"
    kill_program
    line_shown_in "$N" "$own" || fail "Notepad does not show the line after the kill: $(xtitle "$N")"
    activate "$A"
    start_program
    wait_for 1 "Notepad to get its own title within 1 s of the start" title_is "$N" "$own"
    await_line "$A" "Alpha renamed"
    record=$(echo "$(unix_path "$(win_env LOCALAPPDATA)")"/Quillenta/borrowed-titles-*.dat)
    entries() { # the slots in use: the first word of each, past the 16-byte header
      od -An -tu4 -v -w"$(od -An -tu4 -j12 -N4 "$record" | tr -d ' ')" -j16 "$record" |
        awk '$1 == 1' | wc -l
    }
    [ "$(entries)" = 1 ] || fail "$(entries) entries in $record while A shows the line"
    end_program
    [ "$(entries)" = 0 ] || fail "a clean end left $(entries) entries in $record"
    ;;

  tray_icon_docks)
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    wait_for_icon
    # The line goes on beside the icon, and the icon stays one icon.
    before=$(xtitle "$A")
    wait_for $T "the line in A to go on changing" title_differs "$A" "$before"
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons docked"
    end_program
    wait_for $T "the icon to go at the end" icon_count_is 0
    ;;

  tray_menu_quit)
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    wait_for_icon
    menu_closed || fail "a window of the program shows before any press"
    # A left press opens the menu; a click elsewhere closes it, and the program goes on.
    press_on "$ICON" 1
    wait_for $T "the menu after a left press" menu_open
    click_at 400 300 1
    wait_for $T "a click elsewhere to close the menu" menu_closed
    alive "$PROGRAM_PID" || fail "the program ended when the menu closed"
    window_hidden || fail "the settings window showed with the menu"
    # A right press opens it too. The first item is "終了": the program ends, A has its own
    # title, the icon goes.
    press_on "$ICON" 3
    wait_for $T "the menu after a right press" menu_open
    click_at_fraction "$(menu_xid)" 0.25
    end_from_menu
    wait_for $T "A to get its own title back" title_is "$A" "Alpha editor"
    wait_for $T "the icon to go" icon_count_is 0
    ;;

  tray_press_keeps_line)
    # The menu needs the hidden main window in front; the line stays in the window the user
    # works in while the menu is open and after it closes, whichever way it closes.
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    wait_for_icon
    line_goes_on_in_A() {
      local before
      before=$(xtitle "$A")
      line_shown_in "$A" "Alpha editor" || fail "$1: A shows $(xtitle "$A")"
      wait_for $T "$1: the line in A to go on changing" title_differs "$A" "$before"
      line_shown_in "$A" "Alpha editor" || fail "$1: A shows $(xtitle "$A")"
    }
    press_on "$ICON" 1
    wait_for $T "the menu after a left press" menu_open
    sleep 1
    line_goes_on_in_A "with the menu open"
    # A click into the window closes the menu.
    press_on "$A" 1
    wait_for $T "the click into A to close the menu" menu_closed
    sleep 1
    line_goes_on_in_A "after a click into A"
    # Escape closes it too; the hidden window stays in front until the user clicks.
    press_on "$ICON" 3
    wait_for $T "the menu after a right press" menu_open
    sleep 0.5
    # Wine's menus take keys only through the X focus, which stays on A: it goes to the menu.
    xdotool windowfocus --sync "$(menu_xid)" >/dev/null 2>&1 || true
    xdotool key Escape
    wait_for $T "Escape to close the menu" menu_closed
    sleep 1
    line_goes_on_in_A "after Escape"
    alive "$PROGRAM_PID" || fail "the program ended"
    ;;

  shell_surfaces)
    # A shell window in front keeps the line where it was and its own title untouched.
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    n=0
    for class in Shell_TrayWnd Shell_SecondaryTrayWnd NotifyIconOverflowWindow \
      TopLevelWindowForOverflowXamlIsland Windows.UI.Core.CoreWindow MultitaskingViewFrame \
      XamlExplorerHostIslandWindow ForegroundStaging; do
      n=$((n + 1))
      window "S$n" "シェル $class" "$class"
      xid=$(eval echo "\$S$n")
      activate "$xid"
      before=$(xtitle "$A")
      wait_for $T "$class in front: the line in A to go on changing" title_differs "$A" "$before"
      # Five refreshes with the shell window in front.
      sleep 1
      title_is "$xid" "シェル $class" || fail "$class got a title written: $(xtitle "$xid")"
      line_shown_in "$A" "Alpha editor" || fail "$class in front took the line from A: $(xtitle "$A")"
      command_to "$(eval echo "\$S${n}_CTL")" quit
      activate "$A"
    done
    ;;

  end_session)
    # The session ends: Windows asks, then tells; the program gives the focused window its
    # title back at once (the process may be ended as soon as it answers) and writes nothing.
    window A "Alpha editor"
    window S "session"
    start_on "$A" "Alpha editor"
    cp "$SETTINGS" "$TMP/before.INI"
    command_to "$S_CTL" endsession
    wait_for $T "A to get its own title back" title_is "$A" "Alpha editor"
    sleep 1
    title_is "$A" "Alpha editor" || fail "the line came back after the session ended: $(xtitle "$A")"
    cmp -s "$SETTINGS" "$TMP/before.INI" || fail "the program wrote its settings file at the end"
    ;;

  taskbar_created)
    # Explorer starts again: its icons are gone, and it broadcasts TaskbarCreated. Exactly one
    # icon comes back, also when the broadcast comes while the icon is still there.
    window A "Alpha editor"
    window S "shell"
    start_on "$A" "Alpha editor"
    wait_for_icon
    command_to "$S_CTL" dropicon
    wait_for $T "the icon to go with the shell" icon_count_is 0
    command_to "$S_CTL" taskbarcreated
    wait_for $T "the icon to come back" icon_count_is 1
    command_to "$S_CTL" taskbarcreated
    sleep 2
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons after a second TaskbarCreated"
    # Wine hands the foreground to an icon as it docks: back in A, the line goes on there.
    activate "$A"
    wait_for $T "the line in A after the shell came back" line_shown_in "$A" "Alpha editor"
    ;;

  long_path)
    # The program in a folder whose path is longer than 260 characters keeps its settings
    # there.
    deep="$TMP/app"
    while [ ${#deep} -lt 300 ]; do deep="$deep/長いフォルダ-0123456789"; done
    mkdir -p "$deep"
    mv "$APP_DIR/quillenta.exe" "$deep/"
    rm -f "$SETTINGS"
    APP_DIR=$deep SETTINGS="$deep/quillenta.INI"
    win_length=$(winpath "$SETTINGS" | wc -m)
    ((win_length > 260)) || fail "the settings path is only $win_length characters"
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    click_ok
    wait_for $T "the window to hide" window_hidden
    wait_for $T "the settings file in the deep folder" test -s "$SETTINGS"
    cmp "$SETTINGS" "$HERE/first-ok.INI" >&2 || fail "the saved file differs from the defaults"
    [ -z "$(find "$TMP" -name quillenta.INI ! -path "$SETTINGS")" ] || fail "a settings file elsewhere"
    menu_closed || fail "an error box: $(other_windows)"
    ;;

  linked_settings)
    # A settings file that is a symbolic link is written through; the link stays.
    mkdir -p "$TMP/real"
    printf '[Quillenta]\r\nb49=1\r\n' >"$TMP/real/settings.INI"
    rm -f "$SETTINGS"
    ln -s "$TMP/real/settings.INI" "$SETTINGS"
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    click_ok
    wait_for $T "the window to hide" window_hidden
    wait_for $T "the save through the link" sh -c "tr -d '\r' <'$TMP/real/settings.INI' | grep -qx 'i01=1'"
    [ -L "$SETTINGS" ] || fail "the link was replaced by a file"
    [ "$(readlink "$SETTINGS")" = "$TMP/real/settings.INI" ] || fail "the link now leads to $(readlink "$SETTINGS")"
    [ "$(ls "$TMP/real")" = settings.INI ] || fail "left beside the real file: $(ls "$TMP/real")"
    ;;

  first_start)
    # No settings file: the window shows at start, its client area as the form has it, and
    # the icon docks beside it.
    rm -f "$SETTINGS"
    start_program
    wait_for $T "a window at start" sh -c "xdotool search --onlyvisible --pid $PROGRAM_PID | grep -q ."
    sleep 1
    [ "$(titled_xid | grep -c .)" = 1 ] || fail "not one window at start: $(titled_xid)"
    size=$(client_size_of "$(titled_xid)")
    [ "$size" = 644x285 ] || fail "the client area is $size, not 644x285"
    wait_for_icon
    sleep 1
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons beside the window"
    [ ! -e "$SETTINGS" ] || fail "the start wrote a settings file"
    ;;

  english_session)
    # No settings file in an English session: every text of the settings window is English
    # (but the Japanese choice, named in itself), and so is the line.
    rm -f "$SETTINGS"
    window A "Alpha editor"
    LAUNCH=("${ENGLISH[@]}")
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    controls_shown >"$TMP/controls" || fail "controls.exe found no settings window"
    japanese=$(grep -P "$JAPANESE" "$TMP/controls" | grep -vx 'Button 日本語' || true)
    [ -z "$japanese" ] || fail "Japanese in the English window: $japanese"
    while read -r caption; do
      grep -qxF "tab $caption" "$TMP/controls" || fail "no tab '$caption': $(grep ^tab "$TMP/controls")"
    done < <(english_captions tab)
    while read -r caption; do
      grep -qxF "Button $caption" "$TMP/controls" || fail "no button '$caption'"
    done < <(english_captions buttons)
    activate "$A"
    await_line "$A" "Alpha editor"
    ! xtitle "$A" | grep -qP "$JAPANESE" || fail "Japanese in the line: $(xtitle "$A")"
    [ -z "${QUILLENTA_KEEP:-}" ] || cp "$TMP/controls" "$QUILLENTA_KEEP/"
    ;;

  japanese_kept)
    # A settings file of an earlier version, without the language key: in an English session
    # the window is exactly what it is in a Japanese one, at the classic size.
    settings_file "b49=1"
    for session in ja en; do
      [ $session = en ] && LAUNCH=("${ENGLISH[@]}")
      start_program
      wait_for $T "the settings window ($session)" window_shown
      controls_shown >"$TMP/controls-$session" || fail "controls.exe found no settings window"
      end_program
    done
    grep -qx 'client 644x285' "$TMP/controls-ja" && grep -qx 'tab 順番' "$TMP/controls-ja" ||
      fail "not the classic window: $(grep -e ^client -e ^tab "$TMP/controls-ja")"
    diff "$TMP/controls-ja" "$TMP/controls-en" >&2 || fail "the English session's window differs"
    ;;

  ok_saves_defaults)
    rm -f "$SETTINGS"
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    # "&OK": hidden to the tray, then every key saved with its default, in the save order.
    click_ok
    wait_for $T "the window to hide" window_hidden
    wait_for $T "the settings file" test -s "$SETTINGS"
    cmp "$SETTINGS" "$HERE/first-ok.INI" >&2 ||
      fail "the saved file differs from the defaults: $(diff <(tr -d '\r' <"$SETTINGS") <(tr -d '\r' <"$HERE/first-ok.INI") | head -n 5)"
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons after &OK"
    # "設定" shows the window and takes the icon away; a second "&OK" brings back one icon.
    open_settings_from_tray
    wait_for $T "the icon to go while the window shows" icon_count_is 0
    click_ok
    wait_for $T "the window to hide again" window_hidden
    wait_for_icon
    sleep 1
    icon_count_is 1 || fail "$(tray_icons | grep -c .) icons after a second &OK"
    cmp -s "$SETTINGS" "$HERE/first-ok.INI" || fail "the second save changed the file"
    ;;

  unwritable_settings)
    window A "Alpha"
    settings_file "b49=1"
    cp "$SETTINGS" "$TMP/before.INI"
    chattr +i "$SETTINGS" || fail "chattr +i is not available here"
    trap 'chattr -i "$SETTINGS" 2>/dev/null; cleanup' EXIT
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    click_ok
    wait_for $T "the window to hide before the error" window_hidden
    wait_for $T "the error box" menu_open
    sleep 2
    boxes=$(other_windows | grep -c .)
    [ "$boxes" = 1 ] || fail "$boxes windows instead of one error box"
    cmp -s "$SETTINGS" "$TMP/before.INI" || fail "the settings file changed"
    # The box is in the foreground: the line goes on in its title, "Quillenta" first.
    BOX=$(other_windows | head -n1)
    wait_for $T "the line in the error box" line_shown_in "$BOX" "Quillenta"
    before=$(xtitle "$BOX")
    wait_for $T "the line to go on changing" title_differs "$BOX" "$before"
    alive "$PROGRAM_PID" || fail "the program ended"
    ;;

  held_file_short | held_file_long)
    # A virus scanner holds the settings file while "&OK" saves it: for 0.4 s the save waits
    # and succeeds with no error box; for 10 s it gives one error box, in front and with a
    # taskbar button, and the file stays as it was.
    window H "holder"
    settings_file "b49=1"
    cp "$SETTINGS" "$TMP/before.INI"
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    ms=400
    [ "$TEST" = held_file_long ] && ms=10000
    command_to "$H_CTL" "hold $ms $(winpath "$SETTINGS")"
    wait_for $T "the file to be held" test -e "$SETTINGS.held"
    held_at=$(now_ms)
    click_ok
    wait_for $T "the window to hide" window_hidden
    if [ "$TEST" = held_file_short ]; then
      wait_for $T "the hold to end" test ! -e "$SETTINGS.held"
      wait_for $T "the save once the file is let go" sh -c "! cmp -s '$SETTINGS' '$TMP/before.INI'"
      tr -d '\r' <"$SETTINGS" | grep -qx 'i01=1' || fail "the saved file lacks i01=1"
      # Past the retry time: still no box.
      sleep 6
      menu_closed || fail "an error box after a save that succeeded: $(other_windows)"
    else
      wait_for $T "the error box" menu_open
      box_after=$(($(now_ms) - held_at))
      ((box_after < 10000)) || fail "the box came only after ${box_after} ms, once the hold was over"
      BOX=$(other_windows | head -n1)
      [ "$(xtitle "$BOX")" = Quillenta ] || line_shown_in "$BOX" Quillenta ||
        fail "the error box is titled $(xtitle "$BOX")"
      wait_for $T "the error box in front" sh -c "[ \"\$(xprop -root -notype _NET_ACTIVE_WINDOW | sed 's/.* //')\" = '$BOX' ]"
      # Wine marks a window that gets no taskbar button (an owned or tool window) so.
      ! xprop -id "$BOX" _NET_WM_STATE 2>/dev/null | grep -q SKIP_TASKBAR ||
        fail "the error box has no taskbar button: $(xprop -id "$BOX" _NET_WM_STATE)"
      cmp -s "$SETTINGS" "$TMP/before.INI" || fail "the settings file changed while held"
      wait_for $T "the hold to end" test ! -e "$SETTINGS.held"
      sleep 1
      [ "$(other_windows | grep -c .)" = 1 ] || fail "not one error box: $(other_windows)"
      cmp -s "$SETTINGS" "$TMP/before.INI" || fail "the settings file changed after the report"
    fi
    alive "$PROGRAM_PID" || fail "the program ended"
    ;;

  browse)
    mkdir -p "$TMP/tools"
    : >"$TMP/tools/probe.exe"
    settings_file "b49=1"
    start_program
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    click_tab 4
    sleep 0.5
    click_browse_1
    wait_for $T "the file dialog" menu_open
    sleep 1
    xdotool type --delay 20 "$(winpath "$TMP/tools/probe.exe")"
    xdotool key Return
    wait_for $T "the dialog to close" menu_closed
    click_ok
    wait_for $T "the window to hide" window_hidden
    wait_for $T "the chosen program in the file" sh -c "tr -d '\r' <'$SETTINGS' | grep -qF 'probe.exe'"
    chosen=$(stored s92)
    # A cancel leaves the field as it was.
    open_settings_from_tray
    click_browse_1
    wait_for $T "the file dialog again" menu_open
    sleep 1
    xdotool key Escape
    wait_for $T "the cancelled dialog to close" menu_closed
    window_shown || fail "the window went with the dialog"
    click_ok
    wait_for $T "the window to hide" window_hidden
    sleep 1
    [ "$(stored s92)" = "$chosen" ] || fail "the cancel changed the field: $(stored s92), not $chosen"
    ;;

  extra_mode)
    # The hidden switch: a right click on the About tab's "." opens "おまけ"; on, the next
    # "&OK" writes b48 and the line s00.
    start_program
    wait_for_icon
    open_settings_from_tray
    click_tab 5
    sleep 0.5
    xid=$(settings_xid)
    x=$(xwininfo -id "$xid" | awk '/Absolute upper-left X/{print $4}')
    y=$(xwininfo -id "$xid" | awk '/Absolute upper-left Y/{print $4}')
    click_at $((x + 5 + 336 + 10)) $((y + 26 + 40 + 12)) 3
    wait_for $T "the menu of the dot" menu_open
    click_at_fraction "$(menu_xid)" 0.5
    wait_for $T "the menu to close" menu_closed
    click_ok
    wait_for $T "the window to hide" window_hidden
    wait_for $T "b48 in the file" sh -c "tr -d '\r' <'$SETTINGS' | grep -qx 'b48=1'"
    [ -n "$(stored s00)" ] || fail "the line s00 is not in the file"
    ;;

  screenshots)
    # QUILLENTA_SHOTS_LANG: ja (the default, as a Japanese session), en (an English session),
    # pseudo (an English session with --lang=pseudo); the files of ja have no suffix.
    : "${QUILLENTA_SHOTS:?the folder for the screenshots}"
    lang=${QUILLENTA_SHOTS_LANG:-ja} suffix= args=()
    [ "$lang" = ja ] || { suffix=-$lang && LAUNCH=("${ENGLISH[@]}"); }
    [ "$lang" = pseudo ] && args=(--lang=pseudo)
    shot_of() { # XID FILE: the window with the frame's title bar as openbox draws it
      local x y w h
      x=$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print $4}')
      y=$(xwininfo -id "$1" | awk '/Absolute upper-left Y/{print $4}')
      w=$(xwininfo -id "$1" | awk '/Width:/{print $2}')
      h=$(xwininfo -id "$1" | awk '/Height:/{print $2}')
      import -window root -crop "$((w + 2))x$((h + 30))+$((x - 1))+$((y - 29))" +repage "$2"
    }
    rm -f "$SETTINGS"
    start_program "${args[@]}"
    wait_for $T "the settings window at start" window_shown
    wait_for_icon
    sleep 1
    # The first tab lies under its place in every language; the arrow keys walk the others.
    click_tab 1
    for n in 1 2 3 4 5; do
      [ "$n" = 1 ] || xdotool key Right
      sleep 0.7
      shot_of "$(settings_xid)" "$QUILLENTA_SHOTS/win32-tab-$n$suffix.png"
    done
    click_tab 1
    click_ok
    wait_for $T "the window to hide" window_hidden
    press_on "$ICON" 1
    wait_for $T "the menu" menu_open
    sleep 0.5
    read -r ix iy <<<"$(centre_of "$ICON")"
    import -window root -crop "300x120+$((ix - 250))+$((iy - 100))" +repage "$QUILLENTA_SHOTS/win32-tray-menu$suffix.png"
    click_at 400 300 1
    wait_for $T "the menu to close" menu_closed
    end_program
    # The error box of a save that fails; a file without the language key would be Japanese.
    if [ "$lang" = ja ]; then settings_file "b49=1"; else settings_file $'b49=1\r\nLanguage=auto'; fi
    chattr +i "$SETTINGS" || fail "chattr +i is not available here"
    trap 'chattr -i "$SETTINGS" 2>/dev/null; cleanup' EXIT
    start_program "${args[@]}"
    wait_for $T "the settings window" window_shown
    click_ok
    wait_for $T "the error box" menu_open
    sleep 0.7
    shot_of "$(menu_xid)" "$QUILLENTA_SHOTS/win32-error$suffix.png"
    ;;

  command_line)
    # --help and --version answer and start nothing, a bad option is refused with 2; what they
    # print reaches the output the program was started with.
    version=$(sed -n 's/^project(quillenta VERSION \([0-9.]*\).*/\1/p' "$HERE/../../CMakeLists.txt")
    for row in "--version|0|^quillenta $version\$|out" "--help|0|^Usage: quillenta |out" \
               "/?|0|^ +--version |out" "--verbose|2|^quillenta: unrecognized option '--verbose'\$|err" \
               "extra|2|^quillenta: unexpected argument 'extra'\$|err"; do
      IFS='|' read -r arg want pattern stream <<<"$row"
      status=0
      timeout 30 "${WIN[@]}" "$APP_DIR/quillenta.exe" "$arg" >"$TMP/out" 2>"$TMP/err" || status=$?
      [ "$status" = "$want" ] || fail "'$arg' ended with $status, not $want"
      tr -d '\r' <"$TMP/$stream" | grep -qE "$pattern" ||
        fail "'$arg': std$stream does not match $pattern: $(cat "$TMP/$stream")"
    done
    # None of them started the program: no icon, and a start after them runs as the first
    # instance.
    icon_count_is 0 || fail "an option start left an icon"
    window A "Alpha"
    start_on "$A" "Alpha"
    ;;

  installer)
    # The installer as a user runs it, silently: install, start, upgrade while running,
    # uninstall; the settings file survives all of it.
    SETUP=${4:?the installer}
    for f in "$PROGRAM" "$SETUP"; do
      if x86_64-w64-mingw32-objdump -h "$f" | grep -q ' \.debug'; then fail "$f carries debug sections"; fi
    done
    version=$(basename "$SETUP" | sed -n 's/^quillenta-\(.*\)-setup\.exe$/\1/p')
    [ -n "$version" ] || fail "no version in the installer's name $SETUP"
    reg_value() { # KEY NAME: the value's data, nothing when it is not there
      { "${WIN[@]}" reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' |
        sed -n "s/^ *$2 \{1,\}REG_[A-Z_]* \{1,\}//p"
    }
    reg_key_exists() { "${WIN[@]}" reg query "$1" >/dev/null 2>&1; }
    installer_run() { # ARGS: a run of the installer that must end with 0
      local status=0
      timeout 120 "${WIN[@]}" "$@" >>"$TMP/installer.log" 2>&1 || status=$?
      [ "$status" = 0 ] || fail "$* ended with $status"
    }
    WIN_DIR="$(win_env LOCALAPPDATA)\\Programs\\Quillenta"
    DIR=$(unix_path "$WIN_DIR")
    LINK="$(unix_path "$(win_env APPDATA)")/Microsoft/Windows/Start Menu/Programs/Quillenta.lnk"
    UNINSTALL='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillenta'
    RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
    [ -n "$DIR" ] && [ ! -e "$DIR" ] || fail "no fresh install folder: '$DIR'"
    installed() { # VERSION EXE
      cmp -s "$DIR/quillenta.exe" "$2" || fail "$DIR/quillenta.exe is not $2"
      for f in uninstall.exe LICENSE.txt; do [ -s "$DIR/$f" ] || fail "no $f in $DIR"; done
      cmp -s "$DIR/LICENSE.txt" "$HERE/../../LICENSE" || fail "LICENSE.txt is not the licence"
      [ -s "$LINK" ] || fail "no Start-menu shortcut $LINK"
      local pair name want
      for pair in "DisplayName=Quillenta" "DisplayVersion=$1" "Publisher=Vouk" \
                  "InstallLocation=$WIN_DIR" "DisplayIcon=$WIN_DIR\\quillenta.exe" \
                  "UninstallString=\"$WIN_DIR\\uninstall.exe\"" \
                  "QuietUninstallString=\"$WIN_DIR\\uninstall.exe\" /S"; do
        name=${pair%%=*} want=${pair#*=}
        [ "$(reg_value "$UNINSTALL" "$name")" = "$want" ] ||
          fail "the registration's $name is '$(reg_value "$UNINSTALL" "$name")', not '$want'"
      done
      local size
      size=$(reg_value "$UNINSTALL" EstimatedSize)
      (( ${size:-0} >= $(stat -c %s "$DIR/quillenta.exe") / 1024 )) ||
        fail "EstimatedSize $size KB is less than the program"
    }
    autostart_is() { # on|off
      local value
      value=$(reg_value "$RUN" Quillenta)
      case $1 in
        on) [ "$value" = "\"$WIN_DIR\\quillenta.exe\"" ] || fail "the sign-in entry is '$value'" ;;
        off) [ -z "$value" ] || fail "a sign-in entry '$value' after /NOAUTOSTART" ;;
      esac
    }
    gone() { # the uninstaller, which runs from a copy of itself, has finished
      [ ! -e "$DIR/uninstall.exe" ] && ! reg_key_exists "$UNINSTALL"
    }
    uninstalled() {
      wait_for 60 "the uninstaller to finish" gone
      for f in quillenta.exe uninstall.exe LICENSE.txt; do [ ! -e "$DIR/$f" ] || fail "$f left behind"; done
      [ ! -e "$LINK" ] || fail "the shortcut left behind"
      [ -z "$(reg_value "$RUN" Quillenta)" ] || fail "the sign-in entry left behind"
      cmp -s "$DIR/quillenta.INI" "$TMP/settings.INI" || fail "the settings file did not survive"
      [ "$(ls -A "$DIR")" = quillenta.INI ] || fail "left in $DIR: $(ls -A "$DIR")"
    }
    spied_restore() { # XID OWN_TITLE: the title went from a line back to the window's own
      awk -v own="_NET_WM_NAME = \"$2\"" -v line="_NET_WM_NAME = \"$2 " '
        index($0, line) == 1 { seen = 1 } seen && $0 == own { found = 1 } END { exit !found }' \
        "$TMP/spy-$1.log"
    }

    # 1. A silent install without the sign-in entry.
    installer_run "$SETUP" /S /NOAUTOSTART
    installed "$version" "$PROGRAM"
    autostart_is off
    # 2. The installed program starts from its folder and writes its line; the settings file
    # it finds there is the user's (the window kept hidden at start).
    APP_DIR=$DIR SETTINGS="$DIR/quillenta.INI"
    settings_file "b49=0"
    cp "$SETTINGS" "$TMP/settings.INI"
    window A "Alpha editor"
    start_on "$A" "Alpha editor"
    first=$PROGRAM_PID
    # 3. An upgrade while it runs: a newer installer of a changed program. Every title A gets
    # is recorded, since the old program's end and the new one's start are close together.
    cp "$PROGRAM" "$TMP/newer.exe"
    printf 'a newer build' >>"$TMP/newer.exe"
    "$HERE/../../packaging/win32/make-installer.sh" "$TMP/newer.exe" "$version.1" "$TMP/newer-setup.exe" 2>>"$TMP/installer.log" ||
      fail "could not make the newer installer"
    stdbuf -oL xprop -spy -notype -id "$A" _NET_WM_NAME >"$TMP/spy-$A.log" 2>&1 &
    PIDS+=($!)
    sleep 1
    installer_run "$TMP/newer-setup.exe" /S
    wait_for $T "the old program to end" dead "$first"
    installed "$version.1" "$TMP/newer.exe"
    autostart_is off
    cmp -s "$SETTINGS" "$TMP/settings.INI" || fail "the upgrade changed the settings file"
    spied_restore "$A" "Alpha editor" || fail "A never got its own title back: $(tail -n 5 "$TMP/spy-$A.log")"
    # The installer started the new program: the line comes back, from one program.
    deadline=$(($(now_ms) + T * 1000))
    until line_shown_in "$A" "Alpha editor"; do
      (($(now_ms) > deadline)) && fail "the upgraded program does not write its line"
      xdotool windowactivate "$A" >/dev/null 2>&1 || true
      sleep 1
    done
    wait_for_icon
    # 4. A silent uninstall while it runs: the program ends (A has its own title), everything
    # of the install goes, the settings file stays.
    installer_run "$DIR/uninstall.exe" /S
    uninstalled
    wait_for $T "A to get its own title back at the uninstall" title_is "$A" "Alpha editor"
    wait_for $T "the icon to go" icon_count_is 0
    # 5. A silent install takes the default: started at sign-in. The settings file from before
    # is the one the program keeps.
    installer_run "$SETUP" /S
    installed "$version" "$PROGRAM"
    autostart_is on
    cmp -s "$SETTINGS" "$TMP/settings.INI" || fail "the install changed the settings file"
    installer_run "$DIR/uninstall.exe" /S
    uninstalled
    ;;

  title_bar_shot)
    # The picture a Windows user sees first: the line in Notepad's title bar, the icon below.
    : "${QUILLENTA_SHOTS:?the folder for the screenshot}"
    "${WIN[@]}" notepad >"$TMP/notepad.log" 2>&1 &
    PIDS+=($!)
    # Notepad runs as a process of its own, not as the one started here: found by its class.
    wait_for $T "Notepad" sh -c "xdotool search --onlyvisible --classname notepad.exe | grep -q ."
    N=$(printf '0x%x' "$(xdotool search --onlyvisible --classname notepad.exe | head -n1)")
    own=$(xtitle "$N")
    xdotool windowsize "$N" 1268 110 windowmove "$N" 4 640 >/dev/null 2>&1 || true
    start_on "$N" "$own"
    sleep 1.5
    import -window root -crop 1280x200+0+600 +repage "$QUILLENTA_SHOTS/title-bar-windows.png"
    ;;

  not_a_file)
    # A FIFO, a socket, /dev/zero in the settings file's place: the defaults at once, a clean
    # end with the window's own title back, the thing left in place.
    window A "Alpha editor"
    for kind in fifo socket devzero; do
      rm -f "$SETTINGS"
      case $kind in
        fifo) mkfifo "$SETTINGS" ;;
        socket) python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$SETTINGS" ;;
        devzero) ln -s /dev/zero "$SETTINGS" ;;
      esac
      start_on "$A" "Alpha editor" && end_program
      title_is "$A" "Alpha editor" || fail "$kind: A shows $(xtitle "$A") after the end"
      [ -e "$SETTINGS" ] && [ ! -f "$SETTINGS" ] || fail "$kind: the settings file's place changed"
    done
    ;;

  *)
    fail "no such test: $TEST"
    ;;
esac
echo "PASS: $TEST"
