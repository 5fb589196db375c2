#!/usr/bin/env bash
# Metered connections, end to end: the program on a private X display, NetworkManager played
# by python3-dbusmock's template on a private system bus, and real links: veth pairs made
# here, one end of each in a network namespace of this test, traffic only between the ends.
# The namespace belongs to a process of the test rather than to `ip netns`, whose bind mount
# under /run needs / to be a mount point (not so in a chroot) and outlives a killed test.
# Without the right to make namespaces and links (not root), a case that needs them is
# skipped (status 77).
#   metered.sh CASE PROGRAM TESTWIN
#
# CASE is one of:
#   metered      a metered device begins a connection and the time counts; traffic before
#                it was metered does not show, traffic over it does; Metered NO ends it
#   two_links    two metered links; one leaves and no figure drops; the last one ends it
#   bus_restart  the bus stopped while the program runs: no error, the line goes on; the
#                bus and NetworkManager back: the metered device is picked up again
#   nm_hangs     NetworkManager stopped before the program starts: the line goes on; its
#                answers count once it goes on
#   no_bus       no system bus at all: the program starts and writes its line as before
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

CASE=$1
E2E_PROGRAM=$2
E2E_TESTWIN=$3
T=10
OWN_TITLE="Alpha editor"

NM=org.freedesktop.NetworkManager
NM_PATH=/org/freedesktop/NetworkManager
DEVICE_IFACE=org.freedesktop.NetworkManager.Device
METERED_YES=1 METERED_NO=2 METERED_GUESS_YES=3
PYTHON=/usr/bin/python3 # dbusmock is Debian's package, for Debian's python

BUS_SOCKET="$E2E_TMP/system_bus_socket"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$BUS_SOCKET"
LINKS=()
BUS_PID= MOCK_PID= NETNS_PID=

cleanup() {
  local rc=$? link
  ((rc && rc != 77)) && e2e_show_logs
  for link in "${LINKS[@]}"; do ip link del "$link" 2>/dev/null || true; done
  # A stopped stand-in would never take its SIGTERM.
  # Some have ended already, and a failed kill must not end the cleanup here.
  ((${#E2E_PIDS[@]})) && { kill -CONT "${E2E_PIDS[@]}" 2>/dev/null || true; }
  e2e_cleanup
  exit $rc
}
trap cleanup EXIT

# --- The system bus and NetworkManager's stand-in -------------------------------------------

bus_start() {
  cat >"$E2E_TMP/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$BUS_SOCKET</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
EOF
  rm -f "$BUS_SOCKET"
  dbus-daemon --config-file="$E2E_TMP/system-bus.conf" --nofork --nopidfile \
    >>"$E2E_TMP/dbus.log" 2>&1 &
  BUS_PID=$!
  E2E_PIDS+=($BUS_PID)
  e2e_wait $T "the system bus to listen" test -S "$BUS_SOCKET"
}

bus_call() { # DEST PATH IFACE.MEMBER ARGS...
  local dest=$1 path=$2 member=$3
  shift 3
  dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --reply-timeout=5000 \
    --dest="$dest" "$path" "$member" "$@"
}

nm_start() {
  "$PYTHON" -m dbusmock --system --template networkmanager >>"$E2E_TMP/dbusmock.log" 2>&1 &
  MOCK_PID=$!
  E2E_PIDS+=($MOCK_PID)
  e2e_wait $T "NetworkManager's stand-in on the bus" sh -c \
    "dbus-send --bus='$DBUS_SYSTEM_BUS_ADDRESS' --print-reply --dest=org.freedesktop.DBus \
       /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:$NM | grep -q 'boolean true'"
}

# nm_device NAME IFACE METERED: an activated Ethernet device carried by IFACE; its path is
# /org/freedesktop/NetworkManager/Devices/NAME.
nm_device() {
  local path=$NM_PATH/Devices/$1
  bus_call $NM $NM_PATH org.freedesktop.DBus.Mock.AddEthernetDevice \
    string:"$1" string:"$2" int32:100 >/dev/null
  bus_call $NM "$path" org.freedesktop.DBus.Mock.AddProperty \
    string:$DEVICE_IFACE string:Metered variant:uint32:"$3" >/dev/null
  nm_set "$1" IpInterface "string:$2"
  # Added quietly, so told once more aloud.
  nm_set "$1" Metered "uint32:$3"
}

nm_set() { # NAME PROPERTY TYPE:VALUE
  bus_call $NM "$NM_PATH/Devices/$1" org.freedesktop.DBus.Properties.Set \
    string:$DEVICE_IFACE string:"$2" variant:"$3" >/dev/null
}

nm_disconnect() { # NAME
  bus_call $NM $NM_PATH org.freedesktop.DBus.Mock.SetDeviceDisconnected \
    objpath:"$NM_PATH/Devices/$1" >/dev/null
}

# --- Links ----------------------------------------------------------------------------------

skip() {
  echo "SKIP: $*"
  exit 77
}

own_netns() { [ "$(readlink "/proc/$NETNS_PID/ns/net")" != "$(readlink /proc/self/ns/net)" ]; }
# The namespace lives as long as its holder, one of the processes the test ends.
netns_start() {
  unshare -n true 2>"$E2E_TMP/unshare.log" ||
    skip "no network namespace can be made here: $(cat "$E2E_TMP/unshare.log")"
  unshare -n sleep infinity &
  NETNS_PID=$!
  E2E_PIDS+=($NETNS_PID)
  e2e_wait $T "the namespace's holder to enter it" own_netns
}
in_netns() { nsenter -t "$NETNS_PID" -n "$@"; }

# link_make N: link N of the case, a veth pair qm<K> (here) and qn<K> (in the test's
# namespace), 10.231.<K/64>.<K%64*4> + 1 and + 2. The host end shares the system's namespace
# with every other suite that runs meanwhile (other checkouts, a chroot): its name, unique
# there, claims subnet K, so that no two links ever route the same subnet. K starts from
# the pid and moves on past a name in use; third octets below 6 are left to older checkouts.
LINK_HERE=() LINK_THERE_IP=() LINK_HERE_IP=()
link_make() {
  local n=$1 k tries here_end there_end
  [ -n "$NETNS_PID" ] || netns_start
  k=$((384 + ($$ * 8 + n) % 16000))
  for ((tries = 0; ; tries++)); do
    here_end="qm$k" there_end="qn$k"
    ip link add "$here_end" type veth peer name "$there_end" 2>"$E2E_TMP/veth.log" && break
    grep -q 'File exists' "$E2E_TMP/veth.log" ||
      skip "no veth pair can be made here: $(cat "$E2E_TMP/veth.log")"
    ((tries < 100)) || e2e_fail "no free link name after 100 tries, the last qm$k"
    k=$((384 + (k - 384 + 1) % 16000))
  done
  LINKS+=("$here_end")
  LINK_HERE[n]=$here_end
  LINK_HERE_IP[n]=10.231.$((k / 64)).$((k % 64 * 4 + 1))
  LINK_THERE_IP[n]=10.231.$((k / 64)).$((k % 64 * 4 + 2))
  ip link set "$there_end" netns "$NETNS_PID"
  ip addr add "${LINK_HERE_IP[n]}/30" dev "$here_end"
  ip link set "$here_end" up
  in_netns ip addr add "${LINK_THERE_IP[n]}/30" dev "$there_end"
  in_netns ip link set "$there_end" up
  in_netns ip link set lo up
  e2e_wait $T "link $n to come up" sh -c "ip -o link show $here_end | grep -q 'state UP'"
}
link_name() { echo "${LINK_HERE[$1]}"; }

# UDP datagrams of 1000 bytes' payload, COUNT of them, over link N: "out" from this end,
# "in" from the namespace's end.
send() { # N out|in COUNT
  local n=$1 to from
  if [ "$2" = out ]; then
    "$PYTHON" - "${LINK_THERE_IP[n]}" "$3" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for _ in range(int(sys.argv[2])):
    s.sendto(b"x" * 1000, (sys.argv[1], 9))
EOF
  else
    in_netns "$PYTHON" - "${LINK_HERE_IP[n]}" "$3" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for _ in range(int(sys.argv[2])):
    s.sendto(b"x" * 1000, (sys.argv[1], 9))
EOF
  fi
}

counter() { cat "/sys/class/net/$1/statistics/$2"; }
carried() { (($(counter "$1" rx_bytes) >= $2 && $(counter "$1" tx_bytes) >= $2)); }

# --- The line -------------------------------------------------------------------------------

line() { e2e_title "$A"; }
line_has() { case $(line) in *"$1"*) return 0 ;; *) return 1 ;; esac; }
line_lacks() { ! line_has "$1"; }
connected() { line_has "受:"; }
not_connected() { line_has "$OWN_TITLE " && line_lacks "受:"; }

# The received and sent figures the line shows, in bytes.
figure() { # 受|送
  local text
  text=$(line)
  text=${text#*"$1":}
  text=${text%%byte*}
  echo "${text//,/}"
}
seconds_shown() { # the connection time as whole seconds
  local text h m s
  text=$(line)
  [[ $text =~ ([0-9]+)ﾟ([0-9]+)\'([0-9]+)\'\' ]] || return 1
  h=${BASH_REMATCH[1]} m=${BASH_REMATCH[2]} s=${BASH_REMATCH[3]}
  echo $((10#$h * 3600 + 10#$m * 60 + 10#$s))
}
seconds_at_least() { local s; s=$(seconds_shown) && ((s >= $1)); }
figure_at_least() { local f; f=$(figure "$1") && ((f >= $2)); }

expect_between() { # WHAT GOT LO HI
  (($2 >= $3 && $2 <= $4)) || e2e_fail "$1: got $2, want $3..$4 (line: $(line))"
}

start_program() {
  e2e_start_x
  e2e_window A "$OWN_TITLE"
  e2e_activate "$A"
  # The connection items only while connected, so that the line shows when it is.
  e2e_install_program
  printf '[Quillenta]\r\nb49=0\r\nb69=1\r\nb81=1\r\n' >"$E2E_TMP/app/quillenta.INI"
  e2e_start_program
  e2e_wait $T "the line in the focused window" line_has "$OWN_TITLE "
}

line_differs() { [ "$(line)" != "$1" ]; }
# Lines keep coming: the clock's seconds in the line change within two seconds.
line_goes_on() {
  local first
  first=$(line)
  e2e_wait 3 "the line to change (it stood at: $first)" line_differs "$first"
}

# --- Cases ----------------------------------------------------------------------------------

case $CASE in
  metered)
    bus_start
    nm_start
    link_make 1
    L=$(link_name 1)
    nm_device wired1 "$L" $METERED_NO
    start_program
    # 2 MB each way while not metered: never part of a connection.
    send 1 out 2000
    send 1 in 2000
    e2e_wait $T "the early traffic on the link" carried "$L" 2000000
    sleep 1
    not_connected || e2e_fail "connected while not metered: $(line)"

    began=$(e2e_now_ms)
    nm_set wired1 Metered uint32:$METERED_GUESS_YES
    e2e_wait 3 "the metered device to begin a connection" connected
    e2e_wait 5 "the connection time to count" seconds_at_least 2
    figure 受 >/dev/null || e2e_fail "no received figure: $(line)"
    # Before any traffic while metered, only what the stack itself sends (no more than a
    # few hundred bytes) may show.
    expect_between "received right after the start" "$(figure 受)" 0 999
    expect_between "sent right after the start" "$(figure 送)" 0 999

    rx0=$(counter "$L" rx_bytes) tx0=$(counter "$L" tx_bytes)
    send 1 out 300
    send 1 in 500
    e2e_wait $T "the sent traffic in the line" figure_at_least 送 300000
    e2e_wait $T "the received traffic in the line" figure_at_least 受 500000
    sleep 0.5
    rx1=$(counter "$L" rx_bytes) tx1=$(counter "$L" tx_bytes)
    # What the line shows is the link's traffic since it was metered, not its counters.
    expect_between "received while metered" "$(figure 受)" 500000 $((rx1 - rx0 + 999))
    expect_between "sent while metered" "$(figure 送)" 300000 $((tx1 - tx0 + 999))

    nm_set wired1 Metered uint32:$METERED_NO
    e2e_wait 3 "Metered NO to end the connection" not_connected
    ended=$(e2e_now_ms)
    # Metered YES as well as GUESS_YES counts; a new connection starts from 0 traffic.
    nm_set wired1 Metered uint32:$METERED_YES
    e2e_wait 3 "Metered YES to begin a connection" connected
    expect_between "received of the new connection" "$(figure 受)" 0 999
    echo "PASS: metered (connected for $(((ended - began) / 1000)) s)"
    ;;

  two_links)
    bus_start
    nm_start
    link_make 2
    link_make 3
    L1=$(link_name 2) L2=$(link_name 3)
    nm_device wired1 "$L1" $METERED_YES
    nm_device wired2 "$L2" $METERED_YES
    start_program
    e2e_wait $T "two metered links to make a connection" connected
    send 2 out 200
    send 3 out 300
    e2e_wait $T "the traffic of both links" figure_at_least 送 500000
    sleep 0.5
    both=$(figure 送)
    nm_disconnect wired1
    # Still connected through the other; nothing taken away, the other counts on.
    sleep 1
    connected || e2e_fail "the connection ended with one link left: $(line)"
    after=$(figure 送)
    ((after >= both)) || e2e_fail "sent dropped from $both to $after when a link left"
    send 3 out 100
    e2e_wait $T "the remaining link to count on" figure_at_least 送 $((both + 100000))
    # Link 1 is gone from the count: its traffic no longer adds.
    before=$(figure 送)
    send 2 out 400
    sleep 1
    expect_between "sent after traffic on the link that left" "$(figure 送)" "$before" \
      $((before + 999))
    nm_disconnect wired2
    e2e_wait 3 "the last link to end the connection" not_connected
    echo "PASS: two_links"
    ;;

  bus_restart)
    bus_start
    nm_start
    link_make 4
    L=$(link_name 4)
    nm_device wired1 "$L" $METERED_YES
    start_program
    e2e_wait $T "the metered device to begin a connection" connected
    # The bus goes away; the stand-in goes with it.
    kill "$BUS_PID"
    wait "$BUS_PID" 2>/dev/null || true
    e2e_wait $T "the stand-in to leave with its bus" e2e_dead "$MOCK_PID"
    e2e_wait 3 "the lost bus to end the connection" not_connected
    line_goes_on
    e2e_alive "$PROGRAM_PID" || e2e_fail "the program ended with the bus"
    sleep 2
    line_goes_on
    # Back: the same device, still metered, is found again once the program dials anew.
    bus_start
    nm_start
    nm_device wired1 "$L" $METERED_YES
    e2e_wait 10 "the connection again after the bus came back" connected
    line_goes_on
    # NetworkManager alone restarting on a bus that stays.
    kill "$MOCK_PID"
    wait "$MOCK_PID" 2>/dev/null || true
    e2e_wait 3 "NetworkManager leaving to end the connection" not_connected
    nm_start
    nm_device wired1 "$L" $METERED_YES
    e2e_wait 3 "NetworkManager's return to be seen at once" connected
    [ -s "$E2E_TMP/program.log" ] && e2e_fail "the program reported: $(cat "$E2E_TMP/program.log")"
    echo "PASS: bus_restart"
    ;;

  nm_hangs)
    bus_start
    nm_start
    link_make 5
    nm_device wired1 "$(link_name 5)" $METERED_YES
    # NetworkManager hangs before the program asks it anything.
    kill -STOP "$MOCK_PID"
    start_program
    line_goes_on
    not_connected || e2e_fail "connected before NetworkManager answered: $(line)"
    sleep 2
    line_goes_on
    kill -CONT "$MOCK_PID"
    e2e_wait 5 "the answers of NetworkManager once it goes on" connected
    [ -s "$E2E_TMP/program.log" ] && e2e_fail "the program reported: $(cat "$E2E_TMP/program.log")"
    echo "PASS: nm_hangs"
    ;;

  no_bus)
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$E2E_TMP/no-such-socket"
    start_program
    line_goes_on
    not_connected || e2e_fail "connected without any bus: $(line)"
    sleep 2
    line_goes_on
    e2e_alive "$PROGRAM_PID" || e2e_fail "the program ended"
    [ -s "$E2E_TMP/program.log" ] && e2e_fail "the program reported: $(cat "$E2E_TMP/program.log")"
    echo "PASS: no_bus"
    ;;

  *)
    e2e_fail "unknown case $CASE"
    ;;
esac
