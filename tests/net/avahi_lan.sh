#!/usr/bin/env bash
# A small local network for the companion program's tests: two network namespaces joined by
# a veth pair, each with its own Avahi daemon on its own D-Bus system bus (sockets in DIR).
#   avahi_lan.sh up DIR     builds it; "alpha" (10.77.0.1) publishes its workstation,
#                           "bravo" (10.77.0.2) publishes nothing of its own
#   avahi_lan.sh down DIR   stops the daemons it started and removes the namespaces
# Exit 77: namespaces or the daemons are not available here (the test skips).
set -u
cmd=$1
dir=$2
tag=$(basename "$dir" | tr -cd 'a-zA-Z0-9' | tail -c 6)

ns_of() { echo "kdq$1$tag"; }
dev_of() { echo "kdq$1$tag"; }

write_bus_config() {
    cat > "$1/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
}

write_avahi_config() {
    cat > "$1/avahi.conf" <<CONF
[server]
host-name=$2
domain-name=local
use-ipv4=yes
use-ipv6=no
allow-interfaces=$3
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-addresses=yes
publish-hinfo=no
publish-workstation=$4
[reflector]
[rlimits]
CONF
}

wait_running() {
    for _ in $(seq 1 100); do
        state=$(DBUS_SYSTEM_BUS_ADDRESS="unix:path=$1/bus" dbus-send --system --print-reply \
            --dest=org.freedesktop.Avahi / org.freedesktop.Avahi.Server.GetState 2>/dev/null |
            awk '/int32/ {print $2}')
        [ "$state" = 2 ] && return 0
        sleep 0.1
    done
    return 1
}

start_host() {  # side name address workstation
    local side=$1 name=$2 address=$3 workstation=$4
    local ns dev sub
    ns=$(ns_of "$side")
    dev=$(dev_of "$side")
    sub="$dir/$side"
    mkdir -p "$sub"
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "$address/24" dev "$dev"
    ip -n "$ns" link set "$dev" up
    write_bus_config "$sub"
    dbus-daemon --config-file="$sub/bus.conf" --nofork --nopidfile > "$sub/dbus.log" 2>&1 &
    echo $! > "$sub/dbus.pid"
    for _ in $(seq 1 50); do [ -S "$sub/bus" ] && break; sleep 0.1; done
    write_avahi_config "$sub" "$name" "$dev" "$workstation"
    # A private /run keeps this daemon's pid file apart from any other daemon's.
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$sub/bus" ip netns exec "$ns" unshare --mount sh -c \
        "mount -t tmpfs none /run && mkdir -p /run/avahi-daemon && exec avahi-daemon \
         -f '$sub/avahi.conf' --no-drop-root --no-chroot --no-rlimits --no-proc-title" \
        > "$sub/avahi.log" 2>&1 &
    echo $! > "$sub/avahi.pid"
    wait_running "$sub"
}

stop_pid() {
    [ -f "$1" ] || return 0
    local pid
    pid=$(cat "$1")
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    rm -f "$1"
}

case $cmd in
up)
    command -v avahi-daemon > /dev/null || { echo "avahi-daemon is not installed"; exit 77; }
    command -v dbus-daemon > /dev/null || { echo "dbus-daemon is not installed"; exit 77; }
    mkdir -p "$dir"
    if ! ip netns add "$(ns_of a)" 2> "$dir/netns.log" || ! ip netns add "$(ns_of b)" 2>> "$dir/netns.log"; then
        echo "cannot make network namespaces: $(head -1 "$dir/netns.log")"
        ip netns del "$(ns_of a)" 2>/dev/null
        exit 77
    fi
    ip link add "$(dev_of a)" type veth peer name "$(dev_of b)" || exit 77
    ip link set "$(dev_of a)" netns "$(ns_of a)" || exit 77
    ip link set "$(dev_of b)" netns "$(ns_of b)" || exit 77
    start_host a alpha 10.77.0.1 yes || { echo "avahi on alpha did not start"; cat "$dir/a/avahi.log"; exit 1; }
    start_host b bravo 10.77.0.2 no || { echo "avahi on bravo did not start"; cat "$dir/b/avahi.log"; exit 1; }
    ;;
down)
    for side in a b; do
        stop_pid "$dir/$side/avahi.pid"
        stop_pid "$dir/$side/dbus.pid"
    done
    ip netns del "$(ns_of a)" 2>/dev/null
    ip netns del "$(ns_of b)" 2>/dev/null
    ;;
esac
exit 0
