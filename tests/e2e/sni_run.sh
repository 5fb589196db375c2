#!/usr/bin/env bash
# End-to-end tests of the tray icon in a panel that hosts StatusNotifierItems: xfce4-panel
# with its systray plugin on a session bus of the test's own and a private Xvfb, driven by
# xdotool. Such a host draws an item's menu itself, from what the program exports over D-Bus.
#   sni_run.sh TEST PROGRAM TESTWIN [SCREENSHOT_DIR]

# The bus ends with the test, and with it whatever it started (xfconfd).
if [ -z "${QUILLENTA_E2E_OWN_BUS:-}" ]; then
  QUILLENTA_E2E_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_TEST=$1
E2E_PROGRAM=$2
E2E_TESTWIN=$3
SHOTS=${4:-}
T=10

is_popup_menu() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q POPUP_MENU; }

# The systray plugin runs in a wrapper process of the panel: its window in the panel holds
# the icons (one pixel wide while it holds none), its popup menus are the menus it draws.
panel_windows() { # menus | area
  local id x y w h
  while read -r id x y w h; do
    [ -n "$id" ] || continue
    if is_popup_menu "$id"; then
      [ "$1" = menus ] && echo "$id $x $y $w $h"
    else
      [ "$1" = area ] && echo "$id $x $y $w $h"
    fi
  done <<<"$(e2e_viewable_windows wrapper-2.0)"
  return 0
}
panel_menu() { panel_windows menus | head -n1; }
panel_menu_shown() { [ -n "$(panel_menu)" ]; }
panel_menu_gone() { [ -z "$(panel_menu)" ]; }
tray_area() { panel_windows area | awk '$3 > 700 {print; exit}'; }
tray_area_shown() { [ -n "$(tray_area)" ]; }

watcher_get() { # PROPERTY
  dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
    /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
    string:org.kde.StatusNotifierWatcher "string:$1" 2>/dev/null
}
host_registered() { watcher_get IsStatusNotifierHostRegistered | grep -q 'boolean true'; }
bus_call() { # METHOD [ARGUMENT]
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus / "org.freedesktop.DBus.$1" \
    ${2:+"$2"} 2>/dev/null
}
# The program's item is known to the watcher (which names it by the connection's bus name,
# with or without the object's path), and the panel shows an icon for it.
item_registered() {
  local item pid
  for item in $(watcher_get RegisteredStatusNotifierItems | tr -d '[]'); do
    pid=$(bus_call GetConnectionUnixProcessID "string:${item%%/*}" | awk '{print $NF}')
    [ "$pid" = "$PROGRAM_PID" ] && return 0
  done
  return 1
}
program_item() {
  local item pid
  for item in $(watcher_get RegisteredStatusNotifierItems | tr -d '[]'); do
    pid=$(bus_call GetConnectionUnixProcessID "string:${item%%/*}" | awk '{print $NF}')
    [ "$pid" = "$PROGRAM_PID" ] && echo "${item%%/*}" && return 0
  done
  return 1
}
area_holds_icon() { local id x y w h && read -r id x y w h <<<"$(tray_area)" && ((${w:-0} >= 16)); }
icon_present() { item_registered && area_holds_icon; }
icon_absent() { ! item_registered && ! area_holds_icon; }
icon_center() {
  local id x y w h
  read -r id x y w h <<<"$(tray_area)"
  echo "$((x + w / 2)) $((y + h / 2))"
}

# Windows of the program: the settings window, and any other (its own popup menu, or an
# XEmbed icon, at most 48 pixels square).
program_windows() { e2e_viewable_windows quillenta; }
settings_window() { program_windows | awk '$4 == 644 && $5 == 285 {print; exit}'; }
window_shown() { [ -n "$(settings_window)" ]; }
window_hidden() { [ -z "$(settings_window)" ]; }
xembed_icon() { program_windows | awk '$4 <= 48 && $5 <= 48 {print; exit}'; }
xembed_icon_shown() { [ -n "$(xembed_icon)" ]; }
program_menu() { program_windows | awk '!($4 <= 48 && $5 <= 48) && !($4 == 644 && $5 == 285)'; }
program_menu_shown() { [ -n "$(program_menu)" ]; }
program_menu_gone() { [ -z "$(program_menu)" ]; }

# xfconfd, started by the bus and so not among the test's processes, writes its channels into
# XDG_CONFIG_HOME as it ends, which is when the bus ends, after the test's folder is gone:
# it is ended, and waited for, before the folder goes.
xfconfd_pid() { bus_call GetConnectionUnixProcessID string:org.xfce.Xfconf | awk '{print $NF}'; }
sni_cleanup() {
  local rc=$? pid
  pid=$(xfconfd_pid || true)
  ((rc == 0)) || e2e_show_logs
  e2e_cleanup
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    rm -rf "$E2E_TMP"
  fi
  exit $rc
}
trap sni_cleanup EXIT

shot() { [ -z "$SHOTS" ] || import -window root "$SHOTS/$1.png"; }

# A panel along the bottom edge with nothing but the systray plugin, in an xfconf channel
# of the test's own (xfconfd, started by the bus, reads it from XDG_CONFIG_HOME).
start_panel() {
  local dir="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
  mkdir -p "$dir"
  cat >"$dir/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=10;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="icon-size" type="uint" value="22"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
  # Services the bus starts get its environment, which predates the test's private folders.
  dbus-update-activation-environment DISPLAY XDG_CONFIG_HOME XDG_RUNTIME_DIR HOME
  # No accessibility bus: nothing here reads it.
  NO_AT_BRIDGE=1 xfce4-panel >"$E2E_TMP/panel.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait 30 "the panel's systray to host status notifier items" host_registered
  e2e_wait $T "the panel's tray area" tray_area_shown
}

# A click in the open panel menu: its items are of one height, "終了" above "設定".
click_panel_item() { # 1 | 2
  local id x y w h
  read -r id x y w h <<<"$(panel_menu)"
  xdotool mousemove "$((x + w / 2))" "$((y + h * (2 * $1 - 1) / 4))" click 1
}

# A right click on the icon opens the program's menu, drawn by the panel, once.
right_click_expect_panel_menu() {
  local cx cy
  read -r cx cy <<<"$(icon_center)"
  xdotool mousemove "$cx" "$cy" click 3
  e2e_wait $T "a menu after a right click on the icon" panel_menu_shown
  sleep 1
  program_menu_gone || e2e_fail "the program opened its own menu too: $(program_menu)"
  [ "$(panel_windows menus | wc -l)" -eq 1 ] || e2e_fail "more than one menu: $(panel_windows menus)"
}

case $E2E_TEST in
  right_press)
    e2e_start_x
    start_panel
    e2e_install_program "b49=0"
    e2e_start_program
    e2e_wait $T "the icon in the panel" icon_present
    [ -z "$(xembed_icon)" ] || e2e_fail "the icon docked by XEmbed, not as a status notifier item"
    right_click_expect_panel_menu
    shot sni-menu
    # "設定": the settings window shows and the icon goes. A menu of the panel's own has no
    # such item, so this also tells the program's menu from the panel's.
    click_panel_item 2
    e2e_wait $T "the settings window after 設定" window_shown
    e2e_wait $T "the icon to leave the panel" icon_absent
    panel_menu_gone || e2e_fail "the menu stayed open"
    # "&OK": the icon comes back, and its menu with it.
    read -r id x y w h <<<"$(settings_window)"
    xdotool mousemove "$((x + 168 + 48))" "$((y + 256 + 12))" click 1
    e2e_wait $T "the window to hide" window_hidden
    e2e_wait $T "the icon to come back" icon_present
    right_click_expect_panel_menu
    click_panel_item 1
    e2e_wait $T "the program to end after 終了" e2e_dead "$PROGRAM_PID"
    ;;

  left_press)
    e2e_start_x
    start_panel
    e2e_install_program "b49=0"
    e2e_start_program
    e2e_wait $T "the icon in the panel" icon_present
    read -r cx cy <<<"$(icon_center)"
    xdotool mousemove "$cx" "$cy" click 1
    e2e_wait $T "the program's menu after a left click" program_menu_shown
    sleep 1
    panel_menu_gone || e2e_fail "the panel opened a menu too: $(panel_menu)"
    [ "$(program_menu | wc -l)" -eq 1 ] || e2e_fail "more than one menu: $(program_menu)"
    # It opens beside the cursor; the panel's strut keeps it above the panel.
    read -r id x y w h <<<"$(program_menu)"
    ((x - cx <= 2 && cx - x <= 2 || x + w - cx <= 2 && cx - x - w <= 2)) ||
      e2e_fail "menu at ${x},${y} ${w}x${h} has no edge at the cursor ${cx}"
    shot sni-left-menu
    xdotool key Down Down Return # "設定"
    e2e_wait $T "the settings window after 設定" window_shown
    e2e_wait $T "the icon to leave the panel" icon_absent
    ;;

  panel_after_program)
    # A panel that starts after the program gets an XEmbed icon (Qt chose when the icon was
    # made): there a right press is the program's to answer, once.
    e2e_start_x
    e2e_install_program "b49=0"
    e2e_start_program
    sleep 1
    start_panel
    e2e_wait $T "the icon docked by XEmbed" xembed_icon_shown
    read -r id x y w h <<<"$(xembed_icon)"
    xdotool mousemove "$((x + w / 2))" "$((y + h / 2))" click 3
    e2e_wait $T "the program's menu after a right click" program_menu_shown
    sleep 1
    [ "$(program_menu | wc -l)" -eq 1 ] || e2e_fail "more than one menu: $(program_menu)"
    panel_menu_gone || e2e_fail "the panel opened a menu too: $(panel_menu)"
    xdotool key Down Return # "終了"
    e2e_wait $T "the program to end after 終了" e2e_dead "$PROGRAM_PID"
    ;;

  own_item)
    # The program's own item, as a host reads it: a watcher of the test's own stands in for
    # a panel. In a Wayland session the label beside the icon is on: the line without the
    # window's title, which the tooltip has in front.
    e2e_start_x
    /usr/bin/python3 "$here/sni_bus.py" watcher >"$E2E_TMP/watcher.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait $T "the watcher stand-in" watcher_get IsStatusNotifierHostRegistered
    e2e_window W "W own"
    e2e_activate "$W"
    e2e_install_program 'b49=0\r\nWaylandNotice=1'
    XDG_SESSION_TYPE=wayland e2e_start_program
    e2e_wait $T "the program's item at the watcher" program_item
    # Its connection's own name, which stays while the item is hidden.
    item=$(bus_call GetNameOwner "string:$(program_item)" | awk '{print $NF}')
    sni() { /usr/bin/python3 "$here/sni_bus.py" "$1" "$item" "${@:2}"; }
    [ "$(sni get Category)" = ApplicationStatus ] || e2e_fail "Category $(sni get Category)"
    [ "$(sni get Menu)" = /MenuBar ] || e2e_fail "Menu $(sni get Menu)"
    label_follows_tooltip() {
      local label tip
      label=$(sni get XAyatanaLabel) && tip=$(sni get ToolTip) &&
        [[ $label == *" M:"* && $tip == "W own $label" ]]
    }
    e2e_wait $T "the line in the tooltip and, without the title, in the label" label_follows_tooltip
    first=$(sni get XAyatanaLabel)
    e2e_wait $T "the label to follow the line" eval '[ "$(sni get XAyatanaLabel)" != "$first" ]'
    label_follows_tooltip || e2e_fail "label $(sni get XAyatanaLabel) / tooltip $(sni get ToolTip)"
    [ "$(sni menu | tr '\n' ' ')" = "終了 設定 " ] || e2e_fail "menu: $(sni menu)"
    window_hidden || e2e_fail "the settings window showed before 設定"
    # While its menu is open the item has nothing a host could show over it.
    sni open
    [ -z "$(sni get ToolTip)$(sni get Title)" ] ||
      e2e_fail "tooltip $(sni get ToolTip) and title $(sni get Title) with the menu open"
    sni click 設定
    e2e_wait $T "the settings window after 設定" window_shown
    e2e_wait $T "the item to leave the watcher" eval '! program_item'
    xembed_icon_shown && e2e_fail "an XEmbed icon beside the item"
    [ "$(xdotool search --pid "$PROGRAM_PID" --name '^Quillenta$' 2>/dev/null | wc -l)" -ge 1 ] ||
      e2e_fail "no window named Quillenta"
    shot own-item-window
    # Its check box on the order tab turns the label off at once; "&OK" keeps the choice.
    read -r id x y w h <<<"$(settings_window)"
    xdotool mousemove "$((x + 26))" "$((y + 222))" click 1
    e2e_wait $T "the label to go" eval '[ -z "$(sni get XAyatanaLabel)" ]'
    xdotool mousemove "$((x + 168 + 48))" "$((y + 256 + 12))" click 1
    e2e_wait $T "the item back at the watcher" program_item
    grep -q $'^PanelLabel=0\r$' "$E2E_TMP/app/quillenta.INI" || e2e_fail "PanelLabel=0 not saved"
    sleep 1.5
    [ -z "$(sni get XAyatanaLabel)" ] || e2e_fail "the label came back: $(sni get XAyatanaLabel)"
    [[ $(sni get ToolTip) == "W own "*" M:"* ]] || e2e_fail "tooltip $(sni get ToolTip)"
    [ "$(sni get Title)" = Quillenta ] || e2e_fail "title $(sni get Title) after the menu"
    ;;

  *)
    e2e_fail "unknown test $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
