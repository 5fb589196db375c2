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
E2E_SLOWLINK=${4:-}

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
  e2e_install_program ${SETTINGS_LINES:+"$SETTINGS_LINES"}
  e2e_start_program
  e2e_wait $T "the line in the focused window" line_shown_in "$A" "Alpha editor"
}

# Both title properties of a window, type and bytes, as the server holds them.
props_of() { "$E2E_TESTWIN" --props "$1"; }
# A window shows exactly what its twin, a client alike that was never written, shows.
same_props() { [ "$(props_of "$1")" = "$(props_of "$2")" ]; }
expect_same_props() { # ID TWIN WHEN
  same_props "$1" "$2" ||
    e2e_fail "$3: $(props_of "$1" | tr '\n' ' ') instead of $(props_of "$2" | tr '\n' ' ')"
}

active_shows_line() { [[ $(e2e_title "$(e2e_active)") =~ " M:"[0-9]+"% V:" ]]; }

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

  renames | renames_wm_name_only)
    # The focused window renames itself again and again at random moments against the
    # program's tick, as a terminal does at every command; a twin that nobody writes gets
    # the same renames. No rename may be covered by the line or lost at a switch or the end.
    [ "$E2E_TEST" = renames_wm_name_only ] && A_OPTS=(--wm-name-only)
    e2e_start_x --tray
    e2e_window W "${A_OPTS[@]}" "Storm"
    e2e_window W_TWIN "${A_OPTS[@]}" "Storm"
    e2e_window B "Beta ノート"
    e2e_activate "$W"
    e2e_install_program
    # The program's answers come late, so that its read of a title and its write of the line
    # lie apart long enough for renames to fall between them.
    e2e_slow_display 25
    # A link that carries no file descriptors, as ssh's does not: Qt keeps to plain requests.
    DISPLAY=$E2E_SLOW_DISPLAY QT_XCB_NO_MITSHM=1 e2e_start_program
    e2e_wait $T "the line in the focused window" line_shown_in "$W" "Storm"
    for ((n = 1; n <= ${E2E_RENAMES:-200}; n++)); do
      sleep "0.$(printf '%03d' $((RANDOM % 250)))"
      kill -USR2 "$W_PID" "$W_TWIN_PID"
      e2e_wait 1 "rename $n to show in the line" line_shown_in "$W" "Storm #$n"
    done
    last="Storm #$((n - 1))"
    e2e_wait $T "the twin to take the last rename" wm_name_is "$W_TWIN" "$last"
    e2e_activate "$B"
    e2e_wait $T "the newest own title back at the switch" same_props "$W" "$W_TWIN"
    e2e_activate "$W"
    e2e_wait $T "the line in the window again" line_shown_in "$W" "$last"
    kill -TERM "$PROGRAM_PID"
    e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
    expect_same_props "$W" "$W_TWIN" "after the program ended"
    ;;

  exact_restore)
    # Clients that set only WM_NAME, as Latin-1 STRING and as COMPOUND_TEXT (EUC-JP in G1),
    # each beside a twin that nobody writes. The decoded titles are what the line begins with.
    ct1=$'\e$)B\xc6\xfc\xcb\xdc edit' ct1_text="日本 edit"
    ct2=$'\e$)B\xbf\xb7\xa4\xb7\xa4\xa4 edit' ct2_text="新しい edit"
    e2e_start_x --tray
    for v in L L_TWIN; do e2e_window $v --wm-name-only "Lclock café" "Lclock renamed"; done
    for v in C C_TWIN; do e2e_window $v --compound-text "$ct1" "$ct2"; done
    for v in B B_TWIN; do e2e_window $v "Beta ノート"; done
    expect_same_props "$L" "$L_TWIN" "twins differ before the program starts"
    props_of "$L" | grep -qx '_NET_WM_NAME -' || e2e_fail "testwin set _NET_WM_NAME"
    e2e_activate "$L"
    e2e_install_program
    e2e_start_program
    e2e_wait $T "the line in the WM_NAME-only window" line_shown_in "$L" "Lclock café"
    e2e_activate "$C"
    e2e_wait $T "the line in the COMPOUND_TEXT window" line_shown_in "$C" "$ct1_text"
    expect_same_props "$L" "$L_TWIN" "the WM_NAME-only window after the focus left it"

    # The owner retitles through WM_NAME alone while its window shows the line.
    kill -USR1 "$C_PID" "$C_TWIN_PID"
    e2e_wait $T "the line to carry the new COMPOUND_TEXT title" line_shown_in "$C" "$ct2_text"
    e2e_wait $T "the twin to retitle" sh -c "\"$E2E_TESTWIN\" --props $C_TWIN | grep -q bfb7"

    # More windows in front, one after another, than any table of a fixed size would keep.
    for ((i = 1; i <= 70; i++)); do
      # A variable of its own for each: testwin's output file is named after it.
      e2e_window "W$i" "Other $i"
      w=W$i
      e2e_activate "${!w}"
      e2e_wait $T "the line in window $i" line_shown_in "${!w}" "Other $i"
    done
    expect_same_props "$C" "$C_TWIN" "the retitled COMPOUND_TEXT window after 70 others"
    expect_same_props "$L" "$L_TWIN" "the WM_NAME-only window after 70 others"

    e2e_activate "$L"
    e2e_wait $T "the line in the WM_NAME-only window again" line_shown_in "$L" "Lclock café"
    kill -USR1 "$L_PID" "$L_TWIN_PID"
    e2e_wait $T "the line to carry the new WM_NAME" line_shown_in "$L" "Lclock renamed"
    e2e_activate "$B"
    e2e_wait $T "the new WM_NAME alone back" same_props "$L" "$L_TWIN"
    e2e_wait $T "the line in the window with both properties" line_shown_in "$B" "Beta ノート"

    e2e_activate "$C"
    e2e_wait $T "the line in the COMPOUND_TEXT window again" line_shown_in "$C" "$ct2_text"
    kill -TERM "$PROGRAM_PID"
    e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
    expect_same_props "$C" "$C_TWIN" "the COMPOUND_TEXT window after the program ended"
    expect_same_props "$L" "$L_TWIN" "the WM_NAME-only window after the program ended"
    expect_same_props "$B" "$B_TWIN" "the window with both properties after the program ended"
    ;;

  two_docks)
    # trayer is a dock as well: three panels, none of which may take the line.
    e2e_start_x --tray
    e2e_window D1 --dock "Panel one"
    e2e_window D2 --dock "Panel two"
    e2e_window A "Alpha editor"
    e2e_activate "$A"
    e2e_install_program
    e2e_start_program
    e2e_wait $T "the line in the focused window" line_shown_in "$A" "Alpha editor"
    for dock in "$D1" "$D2" "$D1" "$D2"; do
      e2e_activate "$dock"
      # Two fresh lines after the panel came to the front: a tick that saw it has passed.
      line_changes_in "$A" "Alpha editor"
      line_changes_in "$A" "Alpha editor"
      [ "$(e2e_title "$D1")" = "Panel one" ] && [ "$(e2e_wm_name "$D1")" = "Panel one" ] &&
        [ "$(e2e_title "$D2")" = "Panel two" ] && [ "$(e2e_wm_name "$D2")" = "Panel two" ] ||
        e2e_fail "a panel was written: $(e2e_title "$D1") / $(e2e_title "$D2")"
    done
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

  ending_signals)
    # Whatever signal ends the program, the window gets its own title back; SIGPIPE does not
    # end it.
    start_with_two_windows
    for sig in QUIT USR1 USR2 ALRM; do
      kill -"$sig" "$PROGRAM_PID"
      e2e_wait $T "the program to end on SIG$sig" e2e_dead "$PROGRAM_PID"
      code=0 && wait "$PROGRAM_PID" || code=$?
      [ "$code" = 0 ] || e2e_fail "exit code $code after SIG$sig"
      [ "$(e2e_title "$A")" = "Alpha editor" ] || e2e_fail "SIG$sig left: $(e2e_title "$A")"
      [ "$(e2e_wm_name "$A")" = "Alpha editor" ] || e2e_fail "WM_NAME after SIG$sig"
      e2e_start_program
      e2e_wait $T "the line after SIG$sig" line_shown_in "$A" "Alpha editor"
    done
    kill -PIPE "$PROGRAM_PID"
    line_changes_in "$A" "Alpha editor"
    e2e_alive "$PROGRAM_PID" || e2e_fail "SIGPIPE ended the program"
    ;;

  killed_run_left_titles)
    # Ended where no handler runs: the next start gives back what the killed run left.
    start_with_two_windows
    e2e_window C "Gamma 日本語"
    e2e_window TWIN "Gamma 日本語"
    e2e_activate "$C"
    e2e_wait $T "the line in C" line_shown_in "$C" "Gamma 日本語"
    kill -KILL "$PROGRAM_PID"
    e2e_wait $T "the program to die" e2e_dead "$PROGRAM_PID"
    line_shown_in "$C" "Gamma 日本語" || e2e_fail "the killed run left no line to give back"
    e2e_activate "$B"
    started=$(e2e_now_ms)
    e2e_start_program
    e2e_wait $T "C to get its own title back" same_props "$C" "$TWIN"
    took=$(($(e2e_now_ms) - started))
    echo "C had its own title back ${took} ms after the start" >&2
    ((took < 1000)) || e2e_fail "C got its own title back only after ${took} ms"
    e2e_wait $T "the line in B" line_shown_in "$B" "Beta ノート"

    # Retitled by its owner after the kill: the owner's title stays, and the window in front
    # is never taken to own the old line.
    e2e_activate "$A"
    e2e_wait $T "the line in A" line_shown_in "$A" "Alpha editor"
    kill -KILL "$PROGRAM_PID"
    e2e_wait $T "the program to die" e2e_dead "$PROGRAM_PID"
    kill -USR1 "$A_PID"
    e2e_wait $T "A to retitle itself" e2e_title_is "$A" "Alpha renamed"
    e2e_start_program
    e2e_wait $T "the line in A" line_shown_in "$A" "Alpha renamed"
    title=$(e2e_title "$A")
    rest=${title#Alpha renamed }
    [[ $rest != *Alpha* ]] || e2e_fail "an old line taken as A's own title: $title"
    kill -TERM "$PROGRAM_PID"
    e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
    [ "$(e2e_title "$A")" = "Alpha renamed" ] || e2e_fail "A after the end: $(e2e_title "$A")"
    xprop -id "$A" _QUILLENTA_BORROWED_TITLE | grep -q 'not found' ||
      e2e_fail "a clean end left its record on A"
    ;;

  no_window_manager)
    # The manager ends, leaving the root naming its window and the last active one: the
    # input focus is followed; a manager that comes back is followed again.
    start_with_two_windows
    kill -TERM "${E2E_PIDS[1]}" # openbox
    e2e_wait $T "openbox to end" e2e_dead "${E2E_PIDS[1]}"
    for round in 1 2 3; do
      xdotool windowfocus "$B"
      e2e_wait $T "the line to follow the focus to B ($round)" line_shown_in "$B" "Beta ノート"
      e2e_wait $T "A to get its own title back ($round)" e2e_title_is "$A" "Alpha editor"
      xdotool windowfocus "$A"
      e2e_wait $T "the line to follow the focus to A ($round)" line_shown_in "$A" "Alpha editor"
      e2e_wait $T "B to get its own title back ($round)" e2e_title_is "$B" "Beta ノート"
    done
    openbox --sm-disable >"$E2E_TMP/openbox2.log" 2>&1 &
    E2E_PIDS+=($!)
    "$E2E_TESTWIN" --wm-ready 30 || e2e_fail "the second openbox answered no request"
    e2e_activate "$B"
    e2e_wait $T "the line in B under the returned manager" line_shown_in "$B" "Beta ノート"
    ;;

  retitling_window)
    # A page whose title ticks every 40 ms keeps the line: sampled every 10 ms for 10 s.
    # Answered only at the work tick, the line would be there in about one sample in ten;
    # answered at once, it was there in 96 to 99 % on an idle machine and in 88 % beside a
    # full parallel suite, so half tells the two apart whatever the load.
    e2e_start_x --tray
    e2e_window A --retitle 40 "Alpha page"
    e2e_activate "$A"
    e2e_install_program
    e2e_start_program
    e2e_wait $T "the line in the retitling window" active_shows_line
    held=$("$E2E_TESTWIN" --sample "$A" 10 1000 " M:")
    echo "the line was in $held of 1000 samples"
    ((held >= 500)) || e2e_fail "the line was in $held of 1000 samples"
    # A window that sets its title back whenever anyone changes it: no loop, at most 20
    # writes a second into it, and the tick goes on in the other window.
    e2e_window B --set-back "Beta stubborn"
    e2e_activate "$B"
    sleep 5
    e2e_activate "$A"
    e2e_wait $T "the line back in A" active_shows_line
    kill -TERM "$B_PID"
    e2e_wait $T "B to end" e2e_dead "$B_PID"
    read -r _ _ count _ ms _ < <(grep '^set back' "$E2E_TMP/win.B")
    [ -n "$count" ] && ((ms > 0)) || e2e_fail "B told nothing: $(cat "$E2E_TMP/win.B")"
    ((count * 1000 <= 20 * ms)) || e2e_fail "$count writes into B in $ms ms"
    ((count > 0)) || e2e_fail "B never got the line"
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

  nul_in_text)
    # s66 is "M", NUL, "X:": the line holds "M" alone, and the title reads back as the line
    # written, so its length stays within what changing figures make of it.
    SETTINGS_LINES='b49=0\r\ns66="M\0X:"'
    start_with_two_windows
    t=$(e2e_title "$A") && [[ $t == *" M"[0-9]* && $t != *X:* ]] || e2e_fail "not cut at NUL: $t"
    lengths=$(for ((i = 0; i < 40; i++)); do sleep 0.25; t=$(e2e_title "$A"); echo ${#t}; done | sort -n)
    (($(tail -n1 <<<"$lengths") - $(head -n1 <<<"$lengths") <= 8)) || e2e_fail "grew: $lengths"
    ;;

  settings_not_a_file)
    # A FIFO, a socket, /dev/zero in the settings file's place: the defaults at once (their
    # settings window may take the focus), a clean end on SIGTERM, the thing left in place.
    e2e_start_x --tray
    e2e_window A "Alpha editor"
    e2e_install_program && ini="$E2E_TMP/app/quillenta.INI"
    for kind in fifo socket devzero; do
      rm -f "$ini" && e2e_activate "$A"
      case $kind in
        fifo) mkfifo "$ini" ;;
        socket) python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$ini" ;;
        devzero) ln -s /dev/zero "$ini" ;;
      esac
      started=$(e2e_now_ms) && e2e_start_program
      e2e_wait 2 "the line in the focused window ($kind)" active_shows_line
      # The first work tick comes 200 ms after the start.
      ((took = $(e2e_now_ms) - started - 200, took < 1000)) || e2e_fail "$kind: start took $took ms"
      e2e_activate "$A" && e2e_wait $T "the line in A ($kind)" line_shown_in "$A" "Alpha editor"
      kill -TERM "$PROGRAM_PID" && e2e_wait 2 "the end on SIGTERM ($kind)" e2e_dead "$PROGRAM_PID"
      wait "$PROGRAM_PID" || e2e_fail "$kind: exit code $? after SIGTERM"
      e2e_title_is "$A" "Alpha editor" || e2e_fail "$kind: A shows $(e2e_title "$A") after the end"
      [ -e "$ini" ] && [ ! -f "$ini" ] || e2e_fail "$kind: the settings file's place changed"
    done
    ;;

  *)
    e2e_fail "no such test: $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
