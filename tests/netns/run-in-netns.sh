#!/usr/bin/env bash
# Runs one command inside a private network namespace whose only name server
# is our own responder, so the lookups of the command reach nothing outside
# this machine:
#
#   run-in-netns.sh --responder BIN [--responder-source SRC] --zone FILE
#                   [--resolv-options "timeout:3 attempts:1"] [--hosts FILE]
#                   -- COMMAND [ARGS...]
#
# The namespace has only the loopback interface, so no route leads out of it;
# the responder listens on 127.0.0.1 port 53 inside it, and the namespace's
# resolv.conf (which `ip netns exec` mounts over /etc/resolv.conf for the
# command alone) names only that address; --hosts gives the namespace its
# own hosts file the same way. The host's /etc/resolv.conf and /etc/hosts are
# not touched. Everything is torn down on the way out, whatever happens.
#
# Exits with the command's exit code; 77 (the tests' skip code) when the
# namespace cannot be made here: not root, no `ip netns`, or no compiler for
# a responder that still has to be built.
set -uo pipefail

readonly SKIP=77

responder=
responder_source=
zone=
resolv_options="timeout:3 attempts:1"
hosts=
while [ $# -gt 0 ]; do
  case $1 in
    --responder) responder=$2; shift 2 ;;
    --responder-source) responder_source=$2; shift 2 ;;
    --zone) zone=$2; shift 2 ;;
    --resolv-options) resolv_options=$2; shift 2 ;;
    --hosts) hosts=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run-in-netns: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$responder" ] || [ -z "$zone" ] || [ $# -eq 0 ]; then
  echo "usage: run-in-netns.sh --responder BIN [--responder-source SRC] --zone FILE -- COMMAND..." >&2
  exit 2
fi

skip() {
  echo "SKIP: $*"
  exit $SKIP
}

[ "$(id -u)" -eq 0 ] || skip "a network namespace needs root"
command -v ip >/dev/null 2>&1 || skip "no 'ip' command (iproute2)"
ip netns list >/dev/null 2>&1 || skip "'ip netns' is not available"

# The Windows build has no native programs of its own: the responder is built
# here from its source, once per build tree (the lock keeps two tests that
# start together from building it at the same time).
if [ -n "$responder_source" ] && { [ ! -x "$responder" ] || [ "$responder_source" -nt "$responder" ]; }; then
  command -v g++ >/dev/null 2>&1 || skip "no g++ to build the name server $responder"
  mkdir -p "$(dirname "$responder")"
  (
    flock 9
    if [ ! -x "$responder" ] || [ "$responder_source" -nt "$responder" ]; then
      g++ -std=c++17 -O1 -pthread -o "$responder.tmp.$$" "$responder_source" && mv -f "$responder.tmp.$$" "$responder"
    fi
  ) 9>"$responder.lock" || { echo "run-in-netns: cannot build $responder" >&2; exit 1; }
fi
[ -x "$responder" ] || { echo "run-in-netns: no name server at $responder" >&2; exit 1; }

# A run killed outright (SIGKILL, as a test time-out may do) leaves its
# namespace behind; its name holds the pid of its runner, now gone.
for stale in $(ip netns list 2>/dev/null | awk '$1 ~ /^zrtest-[0-9]+-[0-9]+$/ {print $1}'); do
  owner=${stale#zrtest-}
  owner=${owner%%-*}
  if ! kill -0 "$owner" 2>/dev/null; then
    ip netns delete "$stale" 2>/dev/null
    rm -rf "/etc/netns/$stale"
  fi
done

name=zrtest-$$-$RANDOM
lock=${TMPDIR:-/tmp}/zr-netns.lock
work=$(mktemp -d "${TMPDIR:-/tmp}/zr-netns.XXXXXX")
responder_pid=
command_pid=
made_netns=0

cleanup() {
  if [ -n "$command_pid" ]; then
    kill -TERM "$command_pid" 2>/dev/null
    wait "$command_pid" 2>/dev/null
  fi
  if [ -n "$responder_pid" ]; then
    kill -TERM "$responder_pid" 2>/dev/null
    wait "$responder_pid" 2>/dev/null
  fi
  [ "$made_netns" -eq 1 ] && ip netns delete "$name" 2>/dev/null
  # /etc/netns goes too once no namespace of anyone needs it (rmdir keeps a
  # non-empty one); under the lock, so it never goes between another run's
  # making it and putting its own folder in it.
  (
    flock 8
    rm -rf "/etc/netns/$name"
    rmdir /etc/netns 2>/dev/null
  ) 8>"$lock"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ip netns add "$name" 2>"$work/err" || skip "cannot make a network namespace: $(cat "$work/err")"
made_netns=1
ip -n "$name" link set lo up || { echo "run-in-netns: cannot bring up lo in $name" >&2; exit 1; }

# Nothing may leave the namespace: it must have no interface but lo and no route but lo's own.
links=$(ip -n "$name" -o link show | awk -F': ' '{print $2}')
if [ "$links" != "lo" ]; then
  echo "run-in-netns: namespace $name has interfaces other than lo: $links" >&2
  exit 1
fi
routes=$(ip -n "$name" route show table all | grep -v ' dev lo ' || true)
if [ -n "$routes" ]; then
  echo "run-in-netns: namespace $name has routes that do not stay on lo: $routes" >&2
  exit 1
fi

resolv_conf=$(printf 'nameserver 127.0.0.1\noptions %s' "$resolv_options")
(
  flock 8
  mkdir -p "/etc/netns/$name" && printf '%s\n' "$resolv_conf" >"/etc/netns/$name/resolv.conf" &&
    { [ -z "$hosts" ] || cp "$hosts" "/etc/netns/$name/hosts"; }
) 8>"$lock" || { echo "run-in-netns: cannot write /etc/netns/$name/" >&2; exit 1; }
if [ -n "$hosts" ] && ! ip netns exec "$name" cmp -s /etc/hosts "$hosts"; then
  echo "run-in-netns: /etc/hosts inside $name is not ours" >&2
  exit 1
fi
# Without our resolv.conf in place the command would ask the machine's own name servers.
if [ "$(ip netns exec "$name" cat /etc/resolv.conf)" != "$resolv_conf" ]; then
  echo "run-in-netns: /etc/resolv.conf inside $name is not ours" >&2
  exit 1
fi

ip netns exec "$name" "$responder" --zone "$zone" --ready "$work/ready" --log "$work/responder.log" &
responder_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/ready" ] && break
  if ! kill -0 "$responder_pid" 2>/dev/null; then
    echo "run-in-netns: the name server did not start:" >&2
    cat "$work/responder.log" >&2 2>/dev/null
    responder_pid=
    exit 1
  fi
  sleep 0.05
done
[ -s "$work/ready" ] || { echo "run-in-netns: the name server is not ready after 5 s" >&2; exit 1; }

# The tests refuse to run outside the namespace; this tells them where they are.
# In the background so that a signal to us is handled (and passed on) at once.
ZR_NETNS=$name ip netns exec "$name" "$@" &
command_pid=$!
wait "$command_pid"
rc=$?
command_pid=
if [ "$rc" -ne 0 ] && [ "$rc" -ne "$SKIP" ]; then
  echo "--- name server log ($name)"
  cat "$work/responder.log"
fi
exit "$rc"
