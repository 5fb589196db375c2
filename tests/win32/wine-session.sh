#!/usr/bin/env bash
# wine-session.sh COMMAND [ARGS...]
# Runs COMMAND inside a private Windows session: a new Wine prefix in a temporary folder, a
# private Xvfb with openbox and a trayer notification area at the bottom right, and the
# Japanese fonts mapped before any window is drawn. The command sees WINEPREFIX, DISPLAY, WINE
# (the loader) and QUILLENTA_WINE_TMP (a scratch folder of the session). At the end only this
# session's wineserver, window manager, tray and X server are ended, so other Wine sessions on
# the machine go on.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

export WINE=${WINE:-/usr/lib/wine/wine64}
# Wine's menu builder would copy every shortcut a program makes (the installer's) into the
# user's own menus and icons, outside the prefix: it is off.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
# Wine takes the user's locale from the environment: a Japanese session, as the program's
# users have.
export LANG=ja_JP.UTF-8 LC_ALL=
session=$(mktemp -d "${TMPDIR:-/tmp}/quillenta-wine.XXXXXX")
export WINEPREFIX="$session/prefix" QUILLENTA_WINE_TMP="$session/tmp"
# A second guard: whatever still writes into a home writes into the session's.
export HOME="$session/home" XDG_CONFIG_HOME="$session/home/.config" \
  XDG_DATA_HOME="$session/home/.local/share" XDG_CACHE_HOME="$session/home/.cache" \
  XDG_RUNTIME_DIR="$session/run"
mkdir -p "$QUILLENTA_WINE_TMP" "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
# Debian's wineserver makes its socket folder, wine-XXXXXX, in TMPDIR and leaves it there.
export TMPDIR="$session/unix-tmp"
mkdir "$TMPDIR"
pids=()

# The Wine processes of this session's prefix, by the WINEPREFIX each inherits; the shells of
# the session carry it too, and are not Wine's.
prefix_processes() {
  local dir
  for dir in /proc/[0-9]*; do
    case $(readlink "$dir/exe" 2>/dev/null) in /usr/lib/wine/*) ;; *) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$session/prefix" &&
      echo "${dir#/proc/}"
  done
  return 0
}

end_session() {
  local status=$? round left
  # wineserver -k ends the wineserver of WINEPREFIX only, with every process of that prefix.
  # A Wine program that was starting while it did so finds no server, starts a new one and
  # with it the prefix's services (services.exe, winedevice.exe, plugplay.exe, svchost.exe,
  # rpcss.exe, explorer.exe), which would outlive the session once its prefix is deleted: so
  # the session ends only when no process of its prefix is left, the stragglers killed by id.
  for round in 1 2 3 4 5 6 7 8 9 10; do
    WINEPREFIX="$session/prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    WINEPREFIX="$session/prefix" /usr/lib/wine/wineserver -w 2>/dev/null || true
    left=$(prefix_processes)
    [ -z "$left" ] && break
    # shellcheck disable=SC2086
    kill -KILL $left 2>/dev/null || true
    sleep 0.2
  done
  [ -z "$(prefix_processes)" ] || echo "wine-session: processes of the prefix still run: $(prefix_processes)" >&2
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  # What the menu builder makes: in a real home it would stay after the session.
  # find fails on a folder that is not there, which is the good case.
  left=$(cd "$HOME" && { find .local/share/applications .local/share/icons .local/share/mime \
    .config/menus -mindepth 1 2>/dev/null || true; } | head -n 5)
  if [ -n "$left" ]; then
    echo "wine-session: Wine wrote desktop menu entries into the home:" $left >&2
    ((status)) || status=1
  fi
  rm -rf "$session"
  exit "$status"
}
trap end_session EXIT
trap 'exit 143' TERM INT

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$session/display" \
  >"$session/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 300); do grep -q '[0-9]' "$session/display" 2>/dev/null && break; sleep 0.1; done
grep -q '[0-9]' "$session/display" || { echo "wine-session: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$session/display")"
openbox --sm-disable >"$session/openbox.log" 2>&1 &
pids+=($!)
# A notification area, as every Windows desktop has: without one Wine shows its tray icons in a
# window of its own, which takes the focus from the window a test has just activated. Wine's
# icons take clicks only in a tray docked at the bottom edge.
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
  >"$session/trayer.log" 2>&1 &
pids+=($!)
tray_up() { [[ $(xwininfo -root -tree 2>/dev/null) == *'("panel" "trayer")'* ]]; }
for _ in $(seq 300); do tray_up && break; sleep 0.1; done
tray_up || { echo "wine-session: trayer did not start" >&2; exit 1; }

# The prefix is made once per session; a later wine call only waits for its wineserver.
"$WINE" wineboot -i >"$session/wineboot.log" 2>&1 || {
  cat "$session/wineboot.log" >&2
  echo "wine-session: wineboot failed" >&2
  exit 1
}
# regedit reads .reg files as UTF-16LE with a byte-order mark when they carry Japanese names.
printf '\xff\xfe' >"$session/fonts.reg"
iconv -f UTF-8 -t UTF-16LE "$here/fonts.reg.in" >>"$session/fonts.reg"
"$WINE" regedit /S "$(/usr/lib/wine/wine64 winepath -w "$session/fonts.reg" 2>/dev/null)" \
  >/dev/null 2>&1
/usr/lib/wine/wineserver -w 2>/dev/null || true

"$@"
