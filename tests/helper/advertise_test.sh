#!/usr/bin/env bash
# dormo-helper advertises over real mDNS between network namespaces made here: two helpers that
# want the same host name on one link, seen by an independent browser (python3-zeroconf).
# Usage: advertise_test.sh DORMO_HELPER BROWSE_SCRIPT. Exits 77 (skipped) when not root.
set -euo pipefail
helper=$1
browse=$2
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for network namespaces"; exit 77; }

id=$$
a=dormo-conn-a-$id; b=dormo-conn-b-$id; c=dormo-conn-c-$id
work=$(mktemp -d)
# The embedded engine: no system bus, so no avahi-daemon of the machine is used.
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  for ns in "$a" "$b" "$c"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

for ns in "$a" "$b" "$c"; do ip netns add "$ns"; ip -n "$ns" link set lo up; done
# a and c hang off a bridge in b: one link, three hosts.
ip link add cca$id type veth peer name ccb$id
ip link add ccc$id type veth peer name ccd$id
ip link set cca$id netns "$a"; ip link set ccb$id netns "$b"
ip link set ccc$id netns "$c"; ip link set ccd$id netns "$b"
ip -n "$b" link add cbr$id type bridge
ip -n "$b" link set ccb$id master cbr$id; ip -n "$b" link set ccd$id master cbr$id
ip -n "$a" addr add 10.77.42.1/24 dev cca$id
ip -n "$b" addr add 10.77.42.2/24 dev cbr$id
ip -n "$c" addr add 10.77.42.3/24 dev ccc$id
ip -n "$a" link set cca$id up; ip -n "$c" link set ccc$id up
for dev in ccb$id ccd$id cbr$id; do ip -n "$b" link set "$dev" up; done

echo pw | ip netns exec "$a" "$helper" --password-stdin --host-name dormotest \
  --interface cca$id 2>"$work/a.log" & pids+=($!)
sleep 2
echo pw | ip netns exec "$c" "$helper" --password-stdin --host-name dormotest \
  --interface ccc$id 2>"$work/c.log" & pids+=($!)
sleep 3
ip netns exec "$b" /usr/bin/python3 "$browse" 10.77.42.2 4 >"$work/found"
cat "$work/found"

fail=0
grep -q "^dormotest._vh-dormo._tcp.local. ('dormotest.local.', \['10.77.42.1'\], 4660)" \
  "$work/found" || { echo "first helper not found"; fail=1; }
grep -q "^dormotest-2._vh-dormo._tcp.local. ('dormotest-2.local.', \['10.77.42.3'\], 4660)" \
  "$work/found" || { echo "renamed second helper not found"; fail=1; }
# Each helper publishes the MAC of its interface and says whether it can wake on LAN.
for side in "$a cca$id 10.77.42.1" "$c ccc$id 10.77.42.3"; do
  set -- $side
  mac=$(ip -n "$1" -o link show "$2" | grep -o 'link/ether [0-9a-f:]*' | cut -d' ' -f2)
  grep -q "\['$3'\], 4660) mac=$mac\$" "$work/found" ||
    { echo "$2: mac=$mac not published"; fail=1; }
done
grep -q "cca$id: Wake-on-LAN is " "$work/a.log" ||
  { echo "Wake-on-LAN not logged"; cat "$work/a.log"; fail=1; }
grep -q "host name dormotest is taken, now dormotest-2" "$work/c.log" ||
  { echo "rename not logged"; cat "$work/c.log"; fail=1; }
exit $fail
