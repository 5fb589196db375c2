#!/usr/bin/env bash
# The periodic save of the dial-up totals, end to end: the test build of the program on a
# private X display, its dial-up probe pointed at a prepared /sys holding one PPP link.
#   periodic_save.sh PROGRAM TESTWIN
#
# One run walks a connection through its life against the 18 s save timer:
#   up from before the start    -> first save: i30/i31/i33 and the line in s00
#   more traffic, past 4 GiB    -> second save one interval later, with the new figures
#   link down for an interval   -> the file is not touched
#   up again, traffic, SIGKILL  -> the file is the second save, whole
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

E2E_PROGRAM=$1
E2E_TESTWIN=$2

T=10
SAVE_INTERVAL_MS=18000
OWN_TITLE="Alpha editor"

# Totals of earlier runs; the saves add this run's connection to them.
SEED_TENTHS=36000 SEED_RX=1000 SEED_TX=500
# Traffic before the program starts is not this run's to count.
RX0=7000000 TX0=300000

SYS="$E2E_TMP/sysroot"
NET="$SYS/sys/class/net"
PARKED="$E2E_TMP/parked"
export QUILLENTA_TEST_SYS_ROOT=$SYS

# Replaced by rename, as the kernel's files never read half-written.
put() { # FILE VALUE
  printf '%s\n' "$2" >"$E2E_TMP/put.tmp" && mv -f "$E2E_TMP/put.tmp" "$1"
}

link_create() { # RX TX: a fresh pppd interface, up
  local dir="$E2E_TMP/ppp0.new"
  rm -rf "$dir" && mkdir -p "$dir/statistics"
  echo 512 >"$dir/type"
  echo 0x1091 >"$dir/flags"
  echo unknown >"$dir/operstate"
  echo "$1" >"$dir/statistics/rx_bytes"
  echo "$2" >"$dir/statistics/tx_bytes"
  mkdir -p "$NET" && mv "$dir" "$NET/ppp0"
}
link_counters() { # RX TX
  put "$NET/ppp0/statistics/rx_bytes" "$1"
  put "$NET/ppp0/statistics/tx_bytes" "$2"
}
link_gone() { rm -rf "$PARKED" && mv "$NET/ppp0" "$PARKED"; }

INI="$E2E_TMP/app/quillenta.INI"

ini_get() { # KEY: its value in [Quillenta], without the CR of the line end
  awk -v key="$1" '
    { sub(/\r$/, "") }
    /^\[/ { inside = ($0 == "[Quillenta]"); next }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$INI"
}

# A file cut short or garbled by a kill fails here: every line a section, a key=value or
# blank, the last line ended, and the keys of the save present and numeric.
ini_whole() {
  [ -s "$INI" ] || e2e_fail "settings file missing or empty"
  [ "$(tail -c1 "$INI" | od -An -c | tr -d ' ')" = '\n' ] ||
    e2e_fail "settings file ends in the middle of a line"
  local line n=0
  while IFS= read -r line; do
    n=$((n + 1))
    line=${line%$'\r'}
    [[ -z $line || $line =~ ^\[[^]]+\]$ || $line =~ ^[A-Za-z0-9_]+= ]] ||
      e2e_fail "settings file line $n is neither a section, a key nor blank: $line"
  done <"$INI"
  local key value
  for key in i30 i31 i33; do
    value=$(ini_get $key)
    [[ $value =~ ^[0-9]+$ ]] || e2e_fail "$key is not a whole number: '$value'"
  done
  [ "$(ini_get b49)" = 0 ] || e2e_fail "the save lost the other settings (b49)"
  [ -n "$(ini_get s00)" ] || e2e_fail "s00 missing"
}

snapshot() { cp "$INI" "$E2E_TMP/$1" && stat -c %i "$INI" >"$E2E_TMP/$1.inode"; }
saved_since() { # SNAPSHOT: the file was replaced since
  [ "$(stat -c %i "$INI")" != "$(cat "$E2E_TMP/$1.inode")" ] || ! cmp -s "$INI" "$E2E_TMP/$1"
}

expect_eq() { # WHAT GOT WANT
  [ "$2" = "$3" ] || e2e_fail "$1: got $2, want $3"
}
expect_between() { # WHAT GOT LO HI
  (($2 >= $3 && $2 <= $4)) || e2e_fail "$1: got $2, want $3..$4"
}

expect_line() { # WHAT TEXT...: s00 is the line as composed for the focused window
  local s00
  s00=$(ini_get s00)
  case $s00 in
    \"*) e2e_fail "$1: s00 is quoted: $s00" ;;
    "$OWN_TITLE "*) ;;
    *) e2e_fail "$1: s00 does not begin with the window's own title: $s00" ;;
  esac
  shift
  local text
  for text in "$@"; do
    case $s00 in *"$text"*) ;; *) e2e_fail "s00 lacks '$text': $s00" ;; esac
  done
}

title_has() { case $(e2e_title "$1") in *"$2"*) return 0 ;; *) return 1 ;; esac; }

link_create $RX0 $TX0
e2e_start_x --tray
e2e_window A "$OWN_TITLE"
e2e_activate "$A"
e2e_install_program
printf '[Quillenta]\r\nb49=0\r\ni30=%s\r\ni31=%s\r\ni33=%s\r\n' \
  $SEED_TENTHS $SEED_RX $SEED_TX >"$INI"
snapshot start

launched=$(e2e_now_ms)
e2e_start_program
# The line is written on a work tick, and the first work tick already began the connection.
e2e_wait $T "the line in the focused window" title_has "$A" "$OWN_TITLE "
seen=$(e2e_now_ms)
e2e_wait $T "the connection to be counted in the line" title_has "$A" "受:0byte 送:0byte"

# --- First save --------------------------------------------------------------------------
RX1=$((RX0 + 1234567)) TX1=$((TX0 + 89012))
link_counters $((RX0 + 1000)) $((TX0 + 10))
sleep 0.5
link_counters $RX1 $TX1
e2e_wait 25 "the first periodic save" saved_since start
save1=$(e2e_now_ms)
# New traffic at once, so that the next save must carry new figures.
RX2=$((RX0 + 5000000000)) TX2=$((TX0 + 2222222))
link_counters $RX2 $TX2
snapshot save1
ini_whole
expect_eq "i31 after the first save" "$(ini_get i31)" $((SEED_RX + RX1 - RX0))
expect_eq "i33 after the first save" "$(ini_get i33)" $((SEED_TX + TX1 - TX0))
# Connected from a moment between launch and the first line, until the save (tick and
# polling slack of a loaded machine allowed for).
tenths1=$(($(ini_get i30) - SEED_TENTHS))
expect_between "connected tenths at the first save" $tenths1 \
  $(((save1 - seen - 1000) / 100)) $(((save1 - launched) / 100 + 1))
expect_line "first save" "受:1,234,567byte" "送:89,012byte"

# --- Second save, one interval later -----------------------------------------------------
e2e_wait 25 "the second periodic save" saved_since save1
save2=$(e2e_now_ms)
link_gone
snapshot save2
ini_whole
expect_between "ms between the saves" $((save2 - save1)) \
  $((SAVE_INTERVAL_MS - 1500)) $((SAVE_INTERVAL_MS + 1500))
# Past 4 GiB: the totals are 64-bit.
expect_eq "i31 after the second save" "$(ini_get i31)" $((SEED_RX + RX2 - RX0))
expect_eq "i33 after the second save" "$(ini_get i33)" $((SEED_TX + TX2 - TX0))
tenths2=$(($(ini_get i30) - SEED_TENTHS))
expect_between "connected tenths between the saves" $((tenths2 - tenths1)) \
  $(((save2 - save1) / 100 - 10)) $(((save2 - save1) / 100 + 10))
expect_line "second save" "受:5,000,000,000byte" "送:2,222,222byte"

# --- Link down across a save interval ----------------------------------------------------
sleep_ms=$((save2 + SAVE_INTERVAL_MS + 2500 - $(e2e_now_ms)))
((sleep_ms > 0)) && sleep "$((sleep_ms / 1000)).$(printf %03d $((sleep_ms % 1000)))"
e2e_alive "$PROGRAM_PID" || e2e_fail "the program ended"
saved_since save2 && e2e_fail "the settings file was saved while the link was down"

# --- Up again with traffic the file has not seen; SIGKILL before the next save -------------
link_create 0 0
e2e_wait $T "the new connection to start its time from 0" title_has "$A" "0ﾟ00'0"
link_counters 777777 1111
e2e_wait $T "the unsaved traffic in the line" title_has "$A" "受:777,777byte 送:1,111byte"
killed=$(e2e_now_ms)
((killed - save2 < 2 * SAVE_INTERVAL_MS - 1500)) ||
  e2e_fail "too slow: the kill came $((killed - save2)) ms after the last save"
kill -KILL "$PROGRAM_PID"
e2e_wait $T "the program to die" e2e_dead "$PROGRAM_PID"
saved_since save2 && e2e_fail "the settings file changed after the last save: $(cat "$INI")"
ini_whole
echo "PASS: periodic_save (saves $((save2 - save1)) ms apart, $tenths1 and $tenths2 tenths)"
