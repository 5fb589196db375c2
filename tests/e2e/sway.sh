#!/usr/bin/env bash
# One end-to-end test of the real program under a private headless sway.
#   sway.sh TEST PROGRAM TESTWIN [SCREENSHOT]
# A foot window (native Wayland) and a testwin (XWayland) stacked on one workspace, so that
# every title bar shows at once. sway 1.7 reports neither the title it draws nor a
# container's title_format, so what a title bar shows is compared in pixels, with grim, to
# that bar as its own title drew it before the program ran (or to a window whose own title is
# the expected line), and the program's record marks are read from the tree. sway refuses to
# run as root: then it runs as nobody, and xhost lets root's clients reach its XWayland.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_TEST=$1
E2E_PROGRAM=$2
E2E_TESTWIN=$3
SCREENSHOT=${4:-}
T=10

# sway_start [CONFIG LINE...]: a headless sway; exports WAYLAND_DISPLAY, SWAYSOCK, DISPLAY.
sway_start() {
  local user as_user=()
  user=$(id -un)
  # sway's runtime folder is its own: Qt takes a runtime folder of another user for none and
  # makes /tmp/runtime-root, which would outlive the test.
  SWAY_RUN=$E2E_TMP/sway-run
  mkdir -m 700 "$SWAY_RUN"
  if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    chmod 711 "$E2E_TMP"
    chown nobody:nogroup "$SWAY_RUN"
  fi
  # The program's settings window, shown when no tray appears, goes where it covers nothing.
  local assign='assign [class="(?i)quillenta"] workspace 9'
  [ "${1:-}" = --show-settings ] && assign='' && shift
  printf '%s\n' 'default_border normal' 'font monospace 11' 'workspace_layout stacking' \
    "$assign" "$@" \
    "exec sh -c 'xhost +si:localuser:$user >/dev/null; echo \"\$DISPLAY\" >$SWAY_RUN/display.new; mv $SWAY_RUN/display.new $SWAY_RUN/display'" \
    >"$E2E_TMP/sway.config"
  chmod 644 "$E2E_TMP/sway.config"
  (
    unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
    export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
    HOME=$SWAY_RUN XDG_RUNTIME_DIR=$SWAY_RUN exec "${as_user[@]}" sway -c "$E2E_TMP/sway.config"
  ) >"$E2E_TMP/sway.log" 2>&1 &
  E2E_PIDS+=($!)
  SWAY_PID=$!
  e2e_wait 30 "sway to run XWayland" test -s "$SWAY_RUN/display"
  DISPLAY=$(cat "$SWAY_RUN/display")
  SWAYSOCK=$(ls "$SWAY_RUN"/sway-ipc.*.sock)
  # A path: the clients' own runtime folder is not sway's.
  WAYLAND_DISPLAY=$SWAY_RUN/$(cd "$SWAY_RUN" && ls wayland-* | grep -v lock | head -n1)
  export DISPLAY SWAYSOCK WAYLAND_DISPLAY
}

# Every view of the tree, one a line: ID<TAB>NAME<TAB>MARKS (space-separated)<TAB>FOCUSED.
views() {
  swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if "shell" in n:
        print(n["id"], n.get("name") or "", " ".join(n["marks"]), int(n["focused"]), sep="\t")
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'
}
view_named() { views | NAME=$1 awk -F'\t' '$2 == ENVIRON["NAME"] {print $1; exit}'; }
has_view() { [ -n "$(view_named "$1")" ]; }
name_of() { views | awk -F'\t' -v i="$1" '$1 == i {print $2}'; }
marks_of() { views | awk -F'\t' -v i="$1" '$1 == i {print $3}'; }
record_on() { [[ $(marks_of "$1") == *_quillenta_borrowed_"$1"_* ]]; }
no_record_on() { ! record_on "$1"; }
focused_is() { [ "$(views | awk -F'\t' '$4 == 1 {print $1}')" = "$1" ]; }

# The title bar of a container, as the screen shows it now, as raw pixels.
bar_of() { # ID FILE
  local geometry
  geometry=$(swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n["id"] == int(sys.argv[1]):
        d = n["deco_rect"]
        print("%d,%d %dx%d" % (d["x"], d["y"], d["width"], d["height"]))
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))' "$1")
  [ -n "$geometry" ] || return 1
  grim -t ppm -g "$geometry" "$2"
}
bar_is() { bar_of "$1" "$E2E_TMP/bar.ppm" && cmp -s "$E2E_TMP/bar.ppm" "$2"; }
bar_differs() { bar_of "$1" "$E2E_TMP/bar.ppm" && ! cmp -s "$E2E_TMP/bar.ppm" "$2"; }

foot_window() { # VAR TITLE
  foot --title "$2" sleep 600 >>"$E2E_TMP/foot.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait $T "foot window $2" has_view "$2"
  printf -v "$1" '%s' "$(view_named "$2")"
}
x_window() { # VAR TITLE
  "$E2E_TESTWIN" "$2" >>"$E2E_TMP/testwin.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait $T "XWayland window $2" has_view "$2"
  printf -v "$1" '%s' "$(view_named "$2")"
}
focus() {
  swaymsg "[con_id=$1] focus" >/dev/null
  e2e_wait $T "container $1 to take the focus" focused_is "$1"
}

# own_bars ID OTHER: the title bars of both drawn by their own titles, focused (ID.focused)
# and not (ID.unfocused), before the program runs.
own_bars() {
  local id other=$2
  for id in "$1" "$other"; do
    focus "$other" && bar_of "$id" "$E2E_TMP/$id.unfocused"
    focus "$id" && bar_of "$id" "$E2E_TMP/$id.focused"
    other=$id
  done
}

expect_own() { # ID STATE WHEN
  e2e_wait $T "$3: container $1 back to its own title" no_record_on "$1"
  e2e_wait $T "$3: container $1 drawn with its own title" bar_is "$1" "$E2E_TMP/$1.$2"
}
expect_line() { # ID WHEN
  e2e_wait $T "$2: the record on container $1" record_on "$1"
  e2e_wait $T "$2: the line in the title bar of $1" bar_differs "$1" "$E2E_TMP/$1.focused"
}

expect_names() { # the windows' own titles, as the IPC reports them, never change
  [ "$(name_of "$W")" = "foot own" ] || e2e_fail "foot's title is now '$(name_of "$W")'"
  [ "$(name_of "$X")" = "X own" ] || e2e_fail "testwin's title is now '$(name_of "$X")'"
}

# A session bus of the test's own that sway's clients (as nobody) and the program share.
session_bus() {
  printf '%s\n' '<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"' \
    ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">' \
    "<busconfig><type>session</type><listen>unix:path=$E2E_TMP/bus</listen>" \
    '<auth>EXTERNAL</auth><policy context="default"><allow user="*"/>' \
    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>' \
    '</policy></busconfig>' >"$E2E_TMP/bus.conf"
  dbus-daemon --config-file="$E2E_TMP/bus.conf" --nofork --nopidfile >"$E2E_TMP/bus.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait $T "the session bus" test -S "$E2E_TMP/bus"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/bus"
}
watcher_items() {
  dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
    /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
    string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems 2>/dev/null
}
item_of_program() {
  local item pid
  for item in $(watcher_items | tr -d '[]'); do
    pid=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.GetConnectionUnixProcessID "string:${item%%/*}" 2>/dev/null |
      awk '{print $NF}')
    [ "$pid" = "$PROGRAM_PID" ] && return 0
  done
  return 1
}
settings_window() { views | awk -F'\t' -v x="$X" '$1 != x && $2 != "" {print $1; exit}' | grep .; }

end_program() {
  kill -TERM "$PROGRAM_PID"
  local rc=0
  wait "$PROGRAM_PID" || rc=$?
  ((rc == 0)) || e2e_fail "the program ended with status $rc at SIGTERM"
}

case $E2E_TEST in
  line_switch_end)
    # The line in a native and an XWayland window, each given back at the switch and at
    # the end.
    sway_start
    foot_window W "foot own"
    x_window X "X own"
    own_bars "$W" "$X"
    focus "$W"
    e2e_install_program
    e2e_start_program
    expect_line "$W" "foot in front"
    bar_is "$X" "$E2E_TMP/$X.unfocused" || e2e_fail "the window behind changed"
    focus "$X"
    expect_line "$X" "testwin in front"
    expect_own "$W" unfocused "after the switch"
    focus "$W"
    expect_line "$W" "foot in front again"
    expect_own "$X" unfocused "after the switch back"
    [ -z "$SCREENSHOT" ] || grim -g "0,0 1280x52" "$SCREENSHOT"
    expect_names
    end_program
    expect_own "$W" focused "after SIGTERM"
    expect_own "$X" unfocused "after SIGTERM"
    expect_names
    ;;
  killed_run)
    # What a SIGKILLed run left goes back at the next start, in the window that keeps it as
    # in the one that is in front.
    sway_start
    foot_window W "foot own"
    x_window X "X own"
    own_bars "$W" "$X"
    focus "$X"
    e2e_install_program
    e2e_start_program
    expect_line "$X" "testwin in front"
    kill -KILL "$PROGRAM_PID"
    wait "$PROGRAM_PID" 2>/dev/null || true
    record_on "$X" || e2e_fail "the record went with the killed program"
    bar_differs "$X" "$E2E_TMP/$X.focused" || e2e_fail "the line went with the killed program"
    focus "$W"
    bar_differs "$X" "$E2E_TMP/$X.unfocused" || e2e_fail "the line left the window behind"
    e2e_start_program
    expect_own "$X" unfocused "at the next start"
    expect_line "$W" "foot in front at the next start"
    kill -KILL "$PROGRAM_PID"
    wait "$PROGRAM_PID" 2>/dev/null || true
    e2e_start_program
    # The focused window's record is given back and a new one made for the new line.
    e2e_wait $T "the new run's line" record_on "$W"
    end_program
    expect_own "$W" focused "after SIGTERM"
    expect_own "$X" unfocused "after SIGTERM"
    expect_names
    ;;
  exact_line | exact_line_pango)
    # The line shows as it is, whatever it holds: a title with a placeholder of sway's, a
    # variable, quotes, markup, a backslash, a command separator. Only the Title item, in
    # brackets, so that a window whose own title is the expected line can be its yardstick.
    # With pango:, sway reads the format as Pango markup.
    font="monospace 11"
    [ "$E2E_TEST" = exact_line ] || font="pango:$font"
    sway_start "font $font"
    tricky='50%title "$HOME" <b>&amp;</b> it'"'"'s a\b; [x]%'
    foot_window W "$tricky"
    foot_window R "[$tricky]"
    own_bars "$W" "$R"
    focus "$W"
    e2e_install_program 'b49=0\r\ni01=1\r\ni02=0\r\ns50=[\r\ns51=]'
    e2e_start_program
    e2e_wait $T "the record on the window" record_on "$W"
    e2e_wait $T "the line, drawn exactly as the window titled with it" bar_is "$W" "$E2E_TMP/$R.focused"
    [ "$(name_of "$W")" = "$tricky" ] || e2e_fail "the window's own title changed"
    end_program
    expect_own "$W" focused "after SIGTERM"
    ;;
  tray_and_settings)
    # Qt keeps running on XWayland: its tray icon is a StatusNotifierItem in swaybar's tray,
    # and the settings window, shown at the start, is a window of sway's like any other; the
    # line goes on into the window in front beside it.
    session_bus
    sway_start --show-settings 'bar {' 'position bottom' 'tray_output *' '}'
    x_window X "X own"
    focus "$X"
    e2e_install_program 'b49=1'
    e2e_start_program
    e2e_wait $T "the program's item in swaybar's tray" item_of_program
    e2e_wait $T "the settings window" settings_window
    S=$(settings_window)
    e2e_wait $T "the settings window in front" focused_is "$S"
    [ -z "$SCREENSHOT" ] || grim "$SCREENSHOT"
    focus "$X"
    e2e_wait $T "the line in the window in front" record_on "$X"
    settings_window >/dev/null || e2e_fail "the settings window went away"
    end_program
    e2e_wait $T "the record dropped" no_record_on "$X"
    ;;
  stale_socket)
    # A SWAYSOCK left from a sway that has gone: the program runs on X11, as in an X11
    # session, and XWayland's windows still get the line (as their own title, over X11).
    sway_start
    x_window X "X own"
    focus "$X"
    e2e_install_program
    SWAYSOCK="$E2E_TMP/gone.sock" e2e_start_program
    e2e_wait $T "the line over X11" eval '[[ $(name_of "$X") == "X own "*" M:"* ]]'
    end_program
    e2e_wait $T "the title back over X11" eval '[ "$(name_of "$X")" = "X own" ]'
    no_record_on "$X" || e2e_fail "a record mark from the X11 window system"
    ;;
  socket_lost)
    # The compositor going away ends the program as a lost X display does, with its status 0.
    sway_start
    foot_window W "foot own"
    focus "$W"
    e2e_install_program
    e2e_start_program
    e2e_wait $T "the record on the window" record_on "$W"
    kill -TERM "$SWAY_PID"
    e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
    rc=0
    wait "$PROGRAM_PID" || rc=$?
    ((rc == 0)) || e2e_fail "the program ended with status $rc"
    ;;
  *)
    e2e_fail "unknown test $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
