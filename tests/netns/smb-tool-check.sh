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

[ "$failed" -eq 0 ] && echo "zraddrres shares: as expected"
exit "$failed"
