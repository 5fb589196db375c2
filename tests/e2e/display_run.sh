#!/usr/bin/env bash
# The program and its display: one instance per display however $DISPLAY spells it, and a
# start where no X server answers.
#   display_run.sh TEST PROGRAM TESTWIN
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_TEST=$1
E2E_PROGRAM=$2
E2E_TESTWIN=$3
T=20

# A start that must end by itself: its exit status, or "hung".
run_to_end() {
  local status=0
  timeout 15 "$@" >"$E2E_TMP/run.out" 2>"$E2E_TMP/run.err" || status=$?
  [ "$status" = 124 ] && echo hung || echo "$status"
}

case $E2E_TEST in
  display_spellings)
    e2e_start_x
    e2e_window A "Alpha"
    e2e_activate "$A"
    e2e_install_program
    e2e_start_program
    first=$PROGRAM_PID
    e2e_wait $T "the line in the focused window" sh -c \
      "xprop -id $A _NET_WM_NAME | grep -q '\"Alpha .'"
    number=${DISPLAY#:}
    for spelling in ":$number.0" "unix:$number" "unix:$number.0"; do
      status=$(DISPLAY=$spelling run_to_end "$E2E_APP")
      [ "$status" = 0 ] || e2e_fail "a second start on $spelling: status $status"
      e2e_alive "$first" || e2e_fail "the first instance ended at a second start on $spelling"
    done
    ;;

  no_display)
    e2e_install_program
    # A display number no server of this test runs; the lock folder is the test's own.
    for display in ":97" ""; do
      if [ -n "$display" ]; then
        status=$(DISPLAY=$display run_to_end "$E2E_APP")
      else
        status=$(env -u DISPLAY "$E2E_APP" >"$E2E_TMP/run.out" 2>"$E2E_TMP/run.err" && echo 0 || echo $?)
      fi
      [ "$status" != hung ] || e2e_fail "a start on '$display' did not end"
      ((status != 0 && status < 128)) || e2e_fail "a start on '$display' ended with status $status"
      [ "$(wc -l <"$E2E_TMP/run.err")" = 1 ] ||
        e2e_fail "not one line on stderr: $(cat "$E2E_TMP/run.err")"
      want=${display:-DISPLAY is not set}
      grep -qF "$want" "$E2E_TMP/run.err" || e2e_fail "the message names no display: $(cat "$E2E_TMP/run.err")"
    done
    ;;

  *)
    e2e_fail "unknown test $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
