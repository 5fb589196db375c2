# Shared helpers of the end-to-end tests; sourced, not run.
#
# e2e_start_x [--tray]   private Xvfb (E2E_SCREEN, 1024x768 unless set) on a free display, openbox, optionally trayer
# e2e_window VAR TITLE [SECOND]   a testwin; VAR gets its window id, VAR_PID its pid
# e2e_managed [ID...]   openbox manages each ID (any window without one)
# e2e_wait SECONDS DESCRIPTION CMD...   polls CMD until it succeeds or time runs out
# e2e_title ID / e2e_wm_name ID / e2e_active   what the X server holds right now
# e2e_slow_display MS   E2E_SLOW_DISPLAY: the same server, its answers held MS ms (slowlink)
# Everything started here is ended, and the temp folder removed, when the test exits.

set -euo pipefail
export LC_ALL=C.UTF-8

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quillenta-e2e.XXXXXX")
E2E_PIDS=()
# Keep the test's own files away from the user's settings and the lock of a real session.
export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_RUNTIME_DIR="$E2E_TMP/run" HOME="$E2E_TMP/home"
mkdir -p "$XDG_CONFIG_HOME" "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

e2e_cleanup() {
  local pid i
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${E2E_PIDS[i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ -n "${E2E_SLOW_NUMBER:-}" ]; then
    rm -f "/tmp/.X$E2E_SLOW_NUMBER-lock" "/tmp/.X11-unix/X$E2E_SLOW_NUMBER"
  fi
  rm -rf "$E2E_TMP"
}
trap 'rc=$?; ((rc == 0)) || e2e_show_logs; e2e_cleanup; exit $rc' EXIT

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_now_ms() { echo $(($(date +%s%N) / 1000000)); }

e2e_wait() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$(($(e2e_now_ms) + seconds * 1000))
  until "$@" >/dev/null 2>&1; do
    if (($(e2e_now_ms) > deadline)); then
      e2e_fail "timed out after ${seconds}s waiting for: $what"
    fi
    sleep 0.05
  done
}

# The value of an 8-bit text property, or nothing when the window or property is missing.
e2e_prop() {
  local out
  out=$(xprop -id "$1" -notype "$2" 2>/dev/null) || return 0
  case $out in
    *' = "'*) out=${out#*= \"} && printf '%s' "${out%\"}" ;;
  esac
}
e2e_title() { e2e_prop "$1" _NET_WM_NAME; }
e2e_wm_name() { e2e_prop "$1" WM_NAME; }
e2e_active() {
  local out
  out=$(xprop -root -notype _NET_ACTIVE_WINDOW 2>/dev/null) || return 0
  printf '%s' "${out##* }"
}

e2e_title_is() { [ "$(e2e_title "$1")" = "$2" ]; }
e2e_title_starts() { case $(e2e_title "$1") in "$2"*) return 0 ;; *) return 1 ;; esac; }
e2e_active_is() { [ "$(e2e_active)" = "$1" ]; }
e2e_alive() { kill -0 "$1" 2>/dev/null; }
e2e_dead() { ! kill -0 "$1" 2>/dev/null; }

# e2e_managed [ID...]: each ID is in openbox's client list (with no ID: some window is).
# openbox 3.6 can take in a map request outside its event loop (seen at its start-up) and
# leave it unhandled until its next event, so a failed look sends one: a root property change.
e2e_managed() {
  local list id missing=0
  list=" $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed -n 's/.*#//p' | tr -d ,) "
  if (($#)); then
    for id; do [[ $list == *" $id "* ]] || missing=1; done
  else
    [ -n "${list// /}" ] || missing=1
  fi
  ((missing)) || return 0
  xprop -root -f _QUILLENTA_E2E_NUDGE 8s -set _QUILLENTA_E2E_NUDGE 1 2>/dev/null || true
  return 1
}

e2e_start_x() {
  local tray=0
  [ "${1:-}" = "--tray" ] && tray=1
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${E2E_SCREEN:-1024x768}x24" 3>"$E2E_TMP/display" \
    >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait 30 "Xvfb to report its display" grep -q '[0-9]' "$E2E_TMP/display"
  export DISPLAY=":$(head -n1 "$E2E_TMP/display")"
  openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
  E2E_PIDS+=($!)
  # Its root properties are set before its event loop runs, and a map request it reads
  # meanwhile can wait there for its next event: only a request answered through the loop
  # shows that openbox is past its start-up.
  "$E2E_TESTWIN" --wm-ready 30 || e2e_fail "openbox answered no request through its event loop"
  if ((tray)); then
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
      >"$E2E_TMP/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait 30 "trayer to take the tray selection" e2e_managed
  fi
}

# A second display name for the running server whose answers come late, as over ssh or on a
# loaded machine. Its lock file keeps any Xvfb started meanwhile off the number.
e2e_slow_display() {
  local n=${DISPLAY#:} m
  for ((m = n + 1000; m < n + 1100; m++)); do
    (set -o noclobber && echo "$$" >"/tmp/.X$m-lock") 2>/dev/null && break
  done
  ((m < n + 1100)) || e2e_fail "no free display number for the slow link"
  E2E_SLOW_NUMBER=$m
  "$E2E_SLOWLINK" "/tmp/.X11-unix/X$m" "/tmp/.X11-unix/X$n" "$1" >"$E2E_TMP/slowlink" 2>&1 &
  E2E_PIDS+=($!)
  printf '%10d\n' $! >"/tmp/.X$m-lock"
  e2e_wait 10 "the slow link to listen" grep -q ready "$E2E_TMP/slowlink"
  E2E_SLOW_DISPLAY=:$m
}

# e2e_viewable_windows CLASS: the viewable windows of that class as "ID X Y WIDTH HEIGHT",
# one a line.
e2e_viewable_windows() {
  local id info
  for id in $(xdotool search --classname "$1" 2>/dev/null); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'IsViewable' <<<"$info" || continue
    awk -v id="$id" '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} END {print id, x, y, w, h}' <<<"$info"
  done
}

e2e_window() {
  local var=$1 out="$E2E_TMP/win.$1"
  shift
  "$E2E_TESTWIN" "$@" >"$out" 2>&1 &
  local pid=$!
  E2E_PIDS+=($pid)
  e2e_wait 10 "testwin $1 to show" grep -q '^0x' "$out"
  local id
  id=$(head -n1 "$out")
  e2e_wait 10 "openbox to manage testwin $1" e2e_managed "$id"
  printf -v "$var" '%s' "$id"
  printf -v "${var}_PID" '%s' "$pid"
}

e2e_activate() {
  xdotool windowactivate "$1" 2>/dev/null || true
  e2e_wait 10 "window $1 to become active" e2e_active_is "$1"
}

# Copies the program into a folder of its own with a settings file beside it, so that no
# test sees another's settings; printf's escapes in the lines (\r\n, \0) are bytes.
e2e_install_program() {
  E2E_APP="$E2E_TMP/app/quillenta"
  mkdir -p "$E2E_TMP/app"
  cp "$E2E_PROGRAM" "$E2E_APP"
  printf '[Quillenta]\r\n%b\r\n' "${@:-b49=0}" >"$E2E_TMP/app/quillenta.INI"
}

# Starts the installed program; PROGRAM_PID is its pid.
e2e_start_program() {
  "$E2E_APP" >>"$E2E_TMP/program.log" 2>&1 &
  PROGRAM_PID=$!
  E2E_PIDS+=($PROGRAM_PID)
}

e2e_show_logs() {
  local f pid
  # A stall and an ending look alike from outside: say which of the test's processes
  # still run, and where each waits.
  for pid in "${E2E_PIDS[@]}"; do
    if ps -o pid=,stat=,wchan:24=,etime=,args= -p "$pid" 2>/dev/null; then
      (($(ps -L -o lwp= -p "$pid" | wc -l) > 1)) &&
        ps -L -o lwp=,stat=,wchan:24=,comm= -p "$pid" | sed 's/^/    thread /'
    else
      echo "$pid (ended)"
    fi
  done >&2
  for f in "$E2E_TMP"/*.log; do
    [ -s "$f" ] && { echo "--- $f" && tail -n 20 "$f"; } >&2
  done
  return 0
}
