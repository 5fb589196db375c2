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

  command_line)
    # --help and --version answer without a display and start nothing; a bad option is
    # refused with status 2 before any display is looked for.
    e2e_install_program
    expect() { # DISPLAY ARGS STATUS STDOUT_PATTERN STDERR_PATTERN (empty: no output)
      local display=$1 args=$2 want=$3 out=$4 err=$5 status
      read -r -a argv <<<"$args"
      if [ -n "$display" ]; then
        status=$(DISPLAY=$display run_to_end "$E2E_APP" "${argv[@]}")
      else
        status=$(unset DISPLAY && run_to_end "$E2E_APP" "${argv[@]}")
      fi
      [ "$status" = "$want" ] || e2e_fail "'$args' on '$display': status $status, not $want"
      if [ -z "$out" ]; then
        [ ! -s "$E2E_TMP/run.out" ] || e2e_fail "'$args' wrote to stdout: $(cat "$E2E_TMP/run.out")"
      else
        grep -qE "$out" "$E2E_TMP/run.out" ||
          e2e_fail "'$args' on '$display': stdout does not match $out: $(cat "$E2E_TMP/run.out")"
      fi
      if [ -z "$err" ]; then
        [ ! -s "$E2E_TMP/run.err" ] || e2e_fail "'$args' wrote to stderr: $(cat "$E2E_TMP/run.err")"
      else
        grep -qE "$err" "$E2E_TMP/run.err" ||
          e2e_fail "'$args' on '$display': stderr does not match $err: $(cat "$E2E_TMP/run.err")"
      fi
    }
    version=$(sed -n 's/^project(quillenta VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
    [ -n "$version" ] || e2e_fail "no project version in CMakeLists.txt"
    for display in "" ":97"; do
      expect "$display" "--version" 0 "^quillenta ${version//./\\.}\$" ""
      expect "$display" "--help" 0 "^Usage: quillenta " ""
      expect "$display" "-h" 0 "^ +--version " ""
      expect "$display" "--bogus" 2 "" "^quillenta: unrecognized option '--bogus'\$"
      expect "$display" "settings.INI" 2 "" "^quillenta: unexpected argument"
      expect "$display" "-platform" 2 "" "needs a value"
      [ "$(grep -c . "$E2E_TMP/run.err")" = 3 ] ||
        e2e_fail "a refusal is not three lines: $(cat "$E2E_TMP/run.err")"
    done
    # The help tells the statuses the manual page gives.
    expect "" "--help" 0 "^Exit status: 0, also when another instance runs; 1 when no display answers;" ""
    # With a display, --version still starts nothing: it ends, and the lock stays free.
    e2e_start_x
    expect "$DISPLAY" "--version" 0 "^quillenta " ""
    [ -z "$(ls "$XDG_RUNTIME_DIR")" ] || e2e_fail "--version made a lock: $(ls "$XDG_RUNTIME_DIR")"
    ;;

  *)
    e2e_fail "unknown test $E2E_TEST"
    ;;
esac
echo "PASS: $E2E_TEST"
