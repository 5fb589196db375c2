#!/usr/bin/env bash
# One end-to-end test of the real program on a private X display.
#   run.sh TEST PROGRAM TESTWIN
# The program is copied into a temp folder with its own settings file; every wait has a
# bounded timeout.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_TEST=$1
E2E_PROGRAM=$2
E2E_TESTWIN=$3

# Tolerance for a program start and the 200 ms work tick on a loaded machine.
T=10
A_OPTS=()

title_differs() { [ "$(e2e_title "$1")" != "$2" ]; }
wm_name_is() { [ "$(e2e_wm_name "$1")" = "$2" ]; }

line_shown_in() { # ID OWN_TITLE: the window shows a line that begins with its own title
  local title
  title=$(e2e_title "$1")
  [ "$title" != "$2" ] && case $title in "$2 "*) return 0 ;; *) return 1 ;; esac
}

start_with_two_windows() {
  e2e_start_x --tray
  e2e_window A "${A_OPTS[@]}" "Alpha editor" "Alpha renamed"
  e2e_window B "Beta ノート"
  e2e_activate "$A"
  e2e_install_program
  e2e_start_program
  e2e_wait $T "the line in the focused window" line_shown_in "$A" "Alpha editor"
}

# The line is kept current: a title that changes again proves the program still ticks.
line_changes_in() { # ID OWN_TITLE
  local before
  before=$(e2e_title "$1")
  e2e_wait $T "a fresh line in $1" title_differs "$1" "$before"
  line_shown_in "$1" "$2" || e2e_fail "line in $1 lost the window's own title"
}

case $E2E_TEST in
  harness)
    # The tools the program tests rely on: activation, title reading, testwin's retitle.
    e2e_start_x --tray
    e2e_window A "Alpha editor" "Alpha renamed"
    e2e_window B "Bêta notes 日本"
    e2e_activate "$B"
    e2e_activate "$A"
    [ "$(e2e_title "$B")" = "Bêta notes 日本" ] || e2e_fail "title of B: $(e2e_title "$B")"
    kill -USR1 "$A_PID"
    e2e_wait $T "testwin to retitle itself" e2e_title_is "$A" "Alpha renamed"
    [ "$(e2e_wm_name "$A")" = "Alpha renamed" ] || e2e_fail "WM_NAME of A"
    kill -TERM "$B_PID"
    e2e_wait $T "testwin to end on SIGTERM" e2e_dead "$B_PID"
    ;;

  line_in_focused_window)
    start_with_two_windows
    [ "$(e2e_title "$B")" = "Beta ノート" ] || e2e_fail "the unfocused window was written"
    line=$(e2e_title "$A")
    [ "$(e2e_wm_name "$A")" = "$line" ] || e2e_fail "WM_NAME differs from _NET_WM_NAME"
    line_changes_in "$A" "Alpha editor"
    ;;

  default_line)
    # The default settings in a Japanese locale: every item, in the default layout.
    export LANG=ja_JP.UTF-8 LC_ALL=
    start_with_two_windows
    # xprop prints UTF-8 only in a locale the C library has.
    export LC_ALL=C.UTF-8
    line=$(e2e_title "$A")
    layout="^Alpha editor 20[0-9]{2}/([1-9]|1[0-2])/([1-9]|[12][0-9]|3[01]) \(([日月火水木金土])\) "
    layout+="([0-9]|1[0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] "
    layout+="M:[0-9]+% V:[0-9]+% P:[0-9]+% C:[0-9]+% E:[0-9]+% S:[0-9]+% G:[0-9]+% U:[0-9]+% "
    layout+="[0-9]+ﾟ[0-9]{2}'[0-9]{2}'' 受:[0-9,]+byte 送:[0-9,]+byte $"
    [[ $line =~ $layout ]] || e2e_fail "not the default layout: $line"
    weekday=${BASH_REMATCH[3]}
    days=(日 月 火 水 木 金 土)
    today=${days[$(date +%w)]} yesterday=${days[$((($(date +%w) + 6) % 7))]}
    [ "$weekday" = "$today" ] || [ "$weekday" = "$yesterday" ] ||
      e2e_fail "weekday $weekday, but today is $today"
    ;;

  focus_switch)
    start_with_two_windows
    e2e_activate "$B"
    e2e_wait $T "the first window's own title back" e2e_title_is "$A" "Alpha editor"
    e2e_wait $T "the line in the second window" line_shown_in "$B" "Beta ノート"
    e2e_activate "$A"
    e2e_wait $T "the second window's own title back" e2e_title_is "$B" "Beta ノート"
    xprop -id "$B" WM_NAME | grep -q '^WM_NAME(UTF8_STRING) = "Beta ノート"$' ||
      e2e_fail "WM_NAME of the second window: $(xprop -id "$B" WM_NAME)"
    e2e_wait $T "the line in the first window again" line_shown_in "$A" "Alpha editor"
    ;;

  own_title_change | own_title_change_wm_name_only)
    [ "$E2E_TEST" = own_title_change_wm_name_only ] && A_OPTS=(--wm-name-only)
    start_with_two_windows
    kill -USR1 "$A_PID"
    e2e_wait $T "the line to carry the window's new title" line_shown_in "$A" "Alpha renamed"
    e2e_activate "$B"
    e2e_wait $T "the new own title back" wm_name_is "$A" "Alpha renamed"
    ;;

  target_closes)
    start_with_two_windows
    kill -TERM "$A_PID"
    e2e_wait $T "the first window to go" e2e_dead "$A_PID"
    e2e_activate "$B"
    e2e_wait $T "the line in the second window" line_shown_in "$B" "Beta ノート"
    e2e_alive "$PROGRAM_PID" || e2e_fail "the program ended when its target closed"
    ;;

  sigterm_restores)
    start_with_two_windows
    kill -TERM "$PROGRAM_PID"
    e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
    code=0 && wait "$PROGRAM_PID" || code=$?
    [ "$code" = 0 ] || e2e_fail "exit code $code after SIGTERM"
    [ "$(e2e_title "$A")" = "Alpha editor" ] || e2e_fail "title after end: $(e2e_title "$A")"
    [ "$(e2e_wm_name "$A")" = "Alpha editor" ] || e2e_fail "WM_NAME after end"
    # A title that Latin-1 can hold goes back as STRING, as its owner set it.
    xprop -id "$A" WM_NAME | grep -q '^WM_NAME(STRING) = ' || e2e_fail "WM_NAME type after end"
    ;;

  second_instance)
    start_with_two_windows
    first=$PROGRAM_PID
    e2e_start_program
    e2e_wait $T "the second instance to end" e2e_dead "$PROGRAM_PID"
    code=0 && wait "$PROGRAM_PID" || code=$?
    [ "$code" = 0 ] || e2e_fail "second instance exit code $code"
    e2e_alive "$first" || e2e_fail "the first instance ended"
    line_changes_in "$A" "Alpha editor"
    e2e_activate "$B"
    e2e_wait $T "the first instance to follow the focus" line_shown_in "$B" "Beta ノート"
    ;;

  x_connection_lost)
    start_with_two_windows
    kill -TERM "${E2E_PIDS[0]}" # Xvfb
    e2e_wait $T "the program to end with the X server" e2e_dead "$PROGRAM_PID"
    code=0 && wait "$PROGRAM_PID" || code=$?
    ((code == 0)) || e2e_fail "ended with $code after the X server went away, not 0"
    ;;

  *)
    e2e_fail "no such test: $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
