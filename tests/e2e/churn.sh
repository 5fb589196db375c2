#!/usr/bin/env bash
# Window churn against the running program: hundreds of windows created, focused and
# destroyed as fast as xdotool goes, a share of them while they bear the line.
#   churn.sh PROGRAM TESTWIN
# CHURN_WINDOWS (default 300) sets how many; CHURN_SEED replays one run's choices.
#
# The program must come through alive and still following the focus, and no window may
# be left with the line: every survivor shows its own title, whole, once the focus has
# moved to a final window, and that one too after SIGTERM.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_PROGRAM=$1
E2E_TESTWIN=$2

T=10
TOTAL=${CHURN_WINDOWS:-300}
SEED=${CHURN_SEED:-$(($(date +%s) % 32768))}
RANDOM=$SEED

declare -a IDS PIDS TITLES
ALIVE=() # window numbers, oldest first
HELD=0 AS_TARGET=0 CHECKS=0

# Own titles, each unique by its number: plain, Japanese, Latin-1, and longer than the 255
# bytes an old title buffer held, in each of the three.
title_for() { # N
  local n=$1 fill="" k
  case $((n % 6)) in
    0) TITLE="Churn $n plain window" ;;
    1) TITLE="チャーン $n 番目の窓・日本語" ;;
    2) TITLE="Churn $n café déjà vu, Ærøskøbing ñ ß ¿ ½ ÿ" ;;
    3) for ((k = 0; k < 8 + n % 5; k++)); do fill+="lorem ipsum dolor sit amet $k, "; done
       TITLE="Churn $n long $fill end" ;;
    4) for ((k = 0; k < 8 + n % 4; k++)); do fill+="とても長い題名の窓$k、"; done
       TITLE="チャーン $n 長い $fill 終" ;;
    5) for ((k = 0; k < 12 + n % 3; k++)); do fill+="façade à l'île $k ; "; done
       TITLE="Churn $n longue $fill fin" ;;
  esac
}

# A line built on the window's own title (the Title item leads the default line).
is_line_of() { # TEXT OWN_TITLE
  [ "$1" != "$2" ] && case $1 in "$2 "*) return 0 ;; *) return 1 ;; esac
}
carries_line() { # ID OWN_TITLE
  is_line_of "$(e2e_title "$1")" "$2"
}

# Starts one testwin per number at once and waits until openbox manages them all.
spawn() { # N...
  local n ids=()
  for n; do
    title_for "$n"
    TITLES[n]=$TITLE
    "$E2E_TESTWIN" "$TITLE" >"$E2E_TMP/win.$n" 2>&1 &
    PIDS[n]=$!
    disown # ended by signals on purpose: no notices from the shell
  done
  for n; do
    e2e_wait $T "testwin $n to show" grep -q '^0x' "$E2E_TMP/win.$n"
    IDS[n]=$(head -n1 "$E2E_TMP/win.$n")
    echo "$(e2e_now_ms) created $n ${IDS[n]}" >>"$E2E_TMP/history"
    ids+=("${IDS[n]}")
  done
  e2e_wait $T "openbox to manage windows $*" e2e_managed "${ids[@]}"
}

activate() { xdotool windowactivate "$1" >/dev/null 2>&1 || true; }

# Asks again on every poll: a request sent while openbox was still busy may be dropped.
active_after_asking() { # ID
  [ "$(e2e_active)" = "$1" ] && return 0
  activate "$1"
  return 1
}

forget() { # N: out of the live list
  local keep=() m
  for m in "${ALIVE[@]}"; do ((m != $1)) && keep+=("$m"); done
  ALIVE=("${keep[@]}")
}

# Destroys window N one of four ways: its client ends (SIGTERM) or dies (SIGKILL), another
# client destroys the window under a live client, or the server cuts the client off.
destroy() { # N
  local n=$1 id=${IDS[$1]} bore=no title
  title=$(e2e_title "$id")
  if [ "$title" != "${TITLES[n]}" ]; then
    is_line_of "$title" "${TITLES[n]}" ||
      e2e_fail "window $n $id lost its own title: '$title'"
    AS_TARGET=$((AS_TARGET + 1)) bore=yes
  fi
  echo "$(e2e_now_ms) destroyed $n $id bore-line=$bore" >>"$E2E_TMP/history"
  case $((RANDOM % 4)) in
    0) kill -TERM "${PIDS[n]}" 2>/dev/null || true ;;
    1) kill -KILL "${PIDS[n]}" 2>/dev/null || true ;;
    2) xdotool windowclose "$id" >/dev/null 2>&1 || true
       kill -TERM "${PIDS[n]}" 2>/dev/null || true ;;
    3) xdotool windowkill "$id" >/dev/null 2>&1 || true ;;
  esac
  forget "$n"
}

random_alive() { PICK=${ALIVE[RANDOM % ${#ALIVE[@]}]}; }

# Every live window but the focused one shows its own title in both title properties.
others_own() { # FOCUSED_N
  local m
  for m in "${ALIVE[@]}"; do
    ((m == $1)) && continue
    [ "$(e2e_title "${IDS[m]}")" = "${TITLES[m]}" ] || return 1
    [ "$(e2e_wm_name "${IDS[m]}")" = "${TITLES[m]}" ] || return 1
  done
}

report_titles() {
  local m title
  for m in "${ALIVE[@]}"; do
    [ -n "${IDS[m]:-}" ] || continue
    title=$(e2e_title "${IDS[m]}")
    [ "$title" = "${TITLES[m]}" ] && continue
    echo "window $m ${IDS[m]}: own '${TITLES[m]}'" >&2
    echo "  _NET_WM_NAME '$title'" >&2
    echo "  WM_NAME      '$(e2e_wm_name "${IDS[m]}")'" >&2
    echo "  client $(e2e_alive "${PIDS[m]}" && echo alive || echo gone);" \
      "$(xprop -id "${IDS[m]}" _NET_WM_NAME WM_NAME WM_CLASS 2>&1 | tr '\n' ' ' | cut -c1-200)" >&2
    echo "  the life of its id (ms clock):" >&2
    grep -E " ${IDS[m]}( |$)" "$E2E_TMP/history" | sed 's/^/    /' >&2 || true
  done
}

# Focus on one window, the program's line in it and every other window back to its own.
settled_on() { # N
  e2e_wait $T "window $1 to take the focus" active_after_asking "${IDS[$1]}"
  e2e_wait $T "the line in window $1" carries_line "${IDS[$1]}" "${TITLES[$1]}"
  e2e_wait $T "every window but $1 to show its own title" others_own "$1"
  CHECKS=$((CHECKS + 1))
}

on_exit() {
  local rc=$? n
  if ((rc)); then
    echo "seed $SEED; ${#ALIVE[@]} windows alive; the program" \
      "$(e2e_alive "${PROGRAM_PID:-0}" && echo runs || echo "has ended")" >&2
    report_titles
    e2e_show_logs
  fi
  # Only clients still ours: a pid of one that ended long ago may name another process now.
  for n in "${ALIVE[@]}" ${FINAL:-}; do
    if [ -n "${PIDS[n]:-}" ] && [ "$(cat "/proc/${PIDS[n]}/comm" 2>/dev/null)" = testwin ]; then
      kill -KILL "${PIDS[n]}" 2>/dev/null || true
    fi
  done
  e2e_cleanup
  exit $rc
}
trap on_exit EXIT

started=$(e2e_now_ms)
e2e_start_x --tray
ALIVE=(1 2 3)
spawn "${ALIVE[@]}"
e2e_install_program
e2e_start_program
settled_on 3

n=3
while ((n < TOTAL)); do
  batch=$((1 + RANDOM % 3))
  ((n + batch > TOTAL)) && batch=$((TOTAL - n))
  new=()
  for ((k = 1; k <= batch; k++)); do new+=($((n + k))); done
  ALIVE+=("${new[@]}")
  spawn "${new[@]}"
  n=$((n + batch))
  for k in "${new[@]}"; do activate "${IDS[k]}"; done
  random_alive
  activate "${IDS[PICK]}"

  case $((RANDOM % 6)) in
    0 | 1) # the program's target, as it holds the line
      random_alive
      e2e_wait $T "window $PICK to take the focus" active_after_asking "${IDS[PICK]}"
      e2e_wait $T "the line in window $PICK" carries_line "${IDS[PICK]}" "${TITLES[PICK]}"
      HELD=$((HELD + 1))
      destroy "$PICK"
      ;;
    2) # focused a moment ago: gone before, during or after the program's switch to it
      random_alive
      activate "${IDS[PICK]}"
      sleep "0.$((RANDOM % 3))$((RANDOM % 10))"
      destroy "$PICK"
      ;;
  esac

  floor=$((10 + RANDOM % 11))
  while ((${#ALIVE[@]} > floor)); do
    random_alive
    destroy "$PICK"
  done
  # Every so often a pause for the program to catch up, so a fault cannot hide in the rush.
  if ((n % 60 < batch)); then
    random_alive
    settled_on "$PICK"
  fi
  sleep "0.0$((RANDOM % 4))"
done

e2e_alive "$PROGRAM_PID" || e2e_fail "the program ended during the churn"
FINAL=$((TOTAL + 1))
spawn $FINAL
settled_on $FINAL

kill -TERM "$PROGRAM_PID"
e2e_wait $T "the program to end" e2e_dead "$PROGRAM_PID"
code=0 && wait "$PROGRAM_PID" || code=$?
[ "$code" = 0 ] || e2e_fail "exit code $code after SIGTERM"
[ "$(e2e_title "${IDS[FINAL]}")" = "${TITLES[FINAL]}" ] ||
  e2e_fail "final window after the end: $(e2e_title "${IDS[FINAL]}")"
[ "$(e2e_wm_name "${IDS[FINAL]}")" = "${TITLES[FINAL]}" ] ||
  e2e_fail "WM_NAME of the final window after the end: $(e2e_wm_name "${IDS[FINAL]}")"
others_own "$FINAL" || e2e_fail "a window lost its own title at the end"

elapsed=$(($(e2e_now_ms) - started))
echo "PASS: churn ($TOTAL windows in ${elapsed} ms, seed $SEED; $AS_TARGET destroyed while" \
  "bearing the line, $HELD of them held as the target; $CHECKS settled checks;" \
  "${#ALIVE[@]} survivors with their own titles)"
