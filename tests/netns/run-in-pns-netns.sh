#!/usr/bin/env bash
# Runs one command in a private network namespace joined by a veth pair to a
# second one, where a PNS responder answers what the test scripts:
#
#   run-in-pns-netns.sh --responder pns_responder.py [--wine-prefix PREFIX] -- COMMAND [ARGS...]
#
# The client namespace sends its broadcasts out of the veth (its default
# route), so they really cross an interface; the responder's namespace has no
# route anywhere else and forwards nothing, so no datagram leaves the two.
# Under Wine, sockets are made by the wineserver, so the command gets a
# wineserver of its own started inside the client namespace, on a copy of the
# build's prefix (a server outside would send from outside).
#
# The command finds the responder's folder in ZR_PNS_DIR. Exits with the
# command's exit code; 77 (the tests' skip code) when the namespaces cannot
# be made here.
set -uo pipefail

readonly SKIP=77

responder=
wine_prefix=
while [ $# -gt 0 ]; do
  case $1 in
    --responder) responder=$2; shift 2 ;;
    --wine-prefix) wine_prefix=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run-in-pns-netns: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$responder" ] || [ $# -eq 0 ]; then
  echo "usage: run-in-pns-netns.sh --responder FILE [--wine-prefix PREFIX] -- COMMAND..." >&2
  exit 2
fi

skip() {
  echo "SKIP: $*"
  exit $SKIP
}

[ "$(id -u)" -eq 0 ] || skip "network namespaces need root"
command -v ip >/dev/null 2>&1 || skip "no 'ip' command (iproute2)"
command -v python3 >/dev/null 2>&1 || skip "no python3 for the PNS responder"
ip netns list >/dev/null 2>&1 || skip "'ip netns' is not available"

# Namespaces left by a run killed outright; their names hold the runner's pid.
for stale in $(ip netns list 2>/dev/null | awk '$1 ~ /^zrpns-[0-9]+-[0-9]+-[cr]$/ {print $1}'); do
  owner=${stale#zrpns-}
  owner=${owner%%-*}
  if ! kill -0 "$owner" 2>/dev/null; then
    ip netns delete "$stale" 2>/dev/null
    rm -rf "/etc/netns/$stale"
  fi
done

base=zrpns-$$-$RANDOM
client=$base-c
server=$base-r
lock=${TMPDIR:-/tmp}/zr-netns.lock
work=$(mktemp -d "${TMPDIR:-/tmp}/zr-pns.XXXXXX")
made=()
responder_pid=
command_pid=
private_prefix=

cleanup() {
  if [ -n "$command_pid" ]; then
    kill -TERM "$command_pid" 2>/dev/null
    wait "$command_pid" 2>/dev/null
  fi
  if [ -n "$responder_pid" ]; then
    kill -TERM "$responder_pid" 2>/dev/null
    wait "$responder_pid" 2>/dev/null
  fi
  if [ -n "$private_prefix" ]; then
    WINEPREFIX=$private_prefix ip netns exec "$client" wineserver -k 2>/dev/null
  fi
  for ns in "${made[@]}"; do ip netns delete "$ns" 2>/dev/null; done
  (
    flock 8
    rm -rf "/etc/netns/$client"
    rmdir /etc/netns 2>/dev/null
  ) 8>"$lock"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "run-in-pns-netns: $*" >&2
  exit 1
}

for ns in "$client" "$server"; do
  ip netns add "$ns" 2>"$work/err" || skip "cannot make a network namespace: $(cat "$work/err")"
  made+=("$ns")
  ip -n "$ns" link set lo up || fail "cannot bring up lo in $ns"
done
ip -n "$client" link add pns0 type veth peer name pns0 netns "$server" || fail "cannot make the veth pair"
# Link-local addresses: they mean nothing outside the link.
ip -n "$client" addr add 169.254.77.1/24 dev pns0 || fail "cannot address the client"
ip -n "$server" addr add 169.254.77.2/24 dev pns0 || fail "cannot address the responder"
ip -n "$client" link set pns0 up && ip -n "$server" link set pns0 up || fail "cannot bring the veth up"
# The limited broadcast needs a route; the only one leads into the veth.
ip -n "$client" route add default dev pns0 || fail "cannot route the client's broadcasts"
ip netns exec "$server" sysctl -qw net.ipv4.ip_forward=0 || fail "cannot stop forwarding in $server"

# Each namespace has lo and its end of the veth, nothing else.
for ns in "$client" "$server"; do
  links=$(ip -n "$ns" -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | sort | tr '\n' ' ')
  [ "$links" = "lo pns0 " ] || fail "namespace $ns has other interfaces: $links"
done
# A name lookup by mistake goes nowhere either.
(
  flock 8
  mkdir -p "/etc/netns/$client" && printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"/etc/netns/$client/resolv.conf"
) 8>"$lock" || fail "cannot write the client's resolv.conf"

mkdir -p "$work/pns"
# In a session of its own, like every peer: nothing it signals reaches the runner.
setsid ip netns exec "$server" python3 "$responder" --dir "$work/pns" --ready "$work/ready" 2>"$work/responder.log" &
responder_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/ready" ] && break
  kill -0 "$responder_pid" 2>/dev/null || { cat "$work/responder.log" >&2; responder_pid=; fail "the responder did not start"; }
  sleep 0.05
done
[ -s "$work/ready" ] || fail "the responder is not ready after 5 s"

if [ -n "$wine_prefix" ]; then
  # A copy made once per build tree; its wineserver lives in the client namespace.
  private_prefix=$wine_prefix-pns
  (
    flock 9
    if [ ! -f "$private_prefix/system.reg" ] || [ "$wine_prefix/system.reg" -nt "$private_prefix/.copied" ]; then
      rm -rf "$private_prefix" && cp -a "$wine_prefix" "$private_prefix" && touch "$private_prefix/.copied"
    fi
  ) 9>"$wine_prefix.pns.lock" || fail "cannot copy the Wine prefix"
  WINEPREFIX=$private_prefix ip netns exec "$client" wineserver -k 2>/dev/null
  WINEPREFIX=$private_prefix ip netns exec "$client" wineserver -p || fail "cannot start a wineserver in $client"
  inside=
  for pid in $(pgrep "^wineserver"); do
    [ "$(ip netns identify "$pid" 2>/dev/null)" = "$client" ] && inside=$pid
  done
  [ -n "$inside" ] || fail "no wineserver runs in $client"
  # The first program starts Wine's services, which keep the files they were
  # given open: started here with none of the command's, so that a caller
  # reading the command's output sees it end.
  WINEPREFIX=$private_prefix ip netns exec "$client" wine cmd.exe /c exit </dev/null >/dev/null 2>&1
  export WINEPREFIX=$private_prefix
fi

ZR_NETNS=$client ZR_PNS_DIR=$work/pns ip netns exec "$client" "$@" &
command_pid=$!
wait "$command_pid"
rc=$?
command_pid=
if [ "$rc" -ne 0 ] && [ "$rc" -ne "$SKIP" ]; then
  echo "--- responder log"
  cat "$work/responder.log"
fi
exit "$rc"
