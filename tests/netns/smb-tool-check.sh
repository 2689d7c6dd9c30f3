#!/usr/bin/env bash
# zraddrres shares against the peers of smb-peers.sh: the list the SMB step
# of the running Windows line sees, and the address it takes from it.
#
#   smb-tool-check.sh TOOL
set -uo pipefail
tool=$1
failed=0
tab=$'\t'

# check WHAT EXPECTED-EXIT EXPECTED-OUTPUT -- ARGS...
check() {
  local what=$1 status=$2 expected=$3
  shift 4
  local out rc
  out=$("$tool" "$@" 2>&1)
  rc=$?
  if [ "$rc" -ne "$status" ] || [ "$out" != "$expected" ]; then
    printf 'FAIL: %s (exit %s, expected %s)\n--- expected\n%s\n--- got\n%s\n' "$what" "$rc" "$status" "$expected" "$out"
    failed=1
  fi
}

case ${ZRADDRRES_WINVER:-win10} in
  win95 | win98 | winme) nine_x=1 ;;
  *) nine_x=0 ;;
esac

check "a device announcing its address" 0 "IPC\$${tab}IPC${tab}0IP: 127.0.0.3
DEVICE1-P${tab}print${tab}Device printer
address${tab}127.0.0.3" -- shares DEVICE1

if [ "$nine_x" -eq 1 ]; then
  check "Samba on the 9x line: IPC\$ by its type, Samba's own remark" 1 "IPCDEV${tab}disk${tab}0IP: 127.0.0.50
IPC\$${tab}IPC${tab}IPC Service (ZrAddrRes test peer)
address${tab}-" -- shares '\\SAMBASRV'
else
  check "Samba on the NT line: the first share named IPC..." 0 "IPCDEV${tab}disk${tab}0IP: 127.0.0.50
IPC\$${tab}IPC,special${tab}IPC Service (ZrAddrRes test peer)
address${tab}127.0.0.50" -- shares '\\SAMBASRV'
fi

# A server that takes the connection and never answers: the SMB client's
# private folder goes when the waiting tool is ended by SIGINT or SIGTERM.
tmp=$(mktemp -d)
python3 -c '
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.77", 445))
s.listen(8)
open(sys.argv[1] + ".listening", "w").close()
held = []
while True:
    held.append(s.accept()[0])
    open(sys.argv[1], "a").write("taken\n")
' "$tmp/accepted" &
silent=$!
for ((i = 0; i < 100; i++)); do [ -e "$tmp/accepted.listening" ] && break; sleep 0.1; done
for signal in INT TERM; do
  rm -f "$tmp/accepted"
  (TMPDIR=$tmp exec env --default-signal "$tool" shares 127.0.0.77 >/dev/null 2>&1) &
  pid=$!
  for ((i = 0; i < 100; i++)); do
    [ -s "$tmp/accepted" ] && ls "$tmp" | grep -q '^zraddrres-smb\.' && break
    sleep 0.1
  done
  ls "$tmp" | grep -q '^zraddrres-smb\.' || { echo "FAIL: $signal: shares made no folder, or did not wait"; failed=1; }
  kill -s "$signal" "$pid"
  wait "$pid"
  rc=$?
  if [ "$rc" -ne $((128 + $(kill -l "$signal"))) ] || ls "$tmp" | grep -q '^zraddrres-smb\.'; then
    echo "FAIL: shares ended by $signal while the server is silent: exit $rc, left: $(ls "$tmp" | tr '\n' ' ')"
    failed=1
  fi
done
kill "$silent"
wait "$silent" 2>/dev/null
rm -rf "$tmp"

[ "$failed" -eq 0 ] && echo "zraddrres shares: as expected"
exit "$failed"
