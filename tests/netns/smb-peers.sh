#!/usr/bin/env bash
# Starts the SMB peers of the end-to-end SMB tests in the current network
# namespace (run-in-netns.sh runs this script inside its namespace), runs the
# command, and stops the peers:
#
#   smb-peers.sh -- COMMAND [ARGS...]
#
#   SAMBASRV  127.0.0.2  Samba's smbd with a generated configuration. Samba
#                        writes its own IPC$ remark, "IPC Service (...)"; a
#                        disk share IPCDEV listed before IPC$ announces
#                        127.0.0.50 in its remark.
#   DEVICE1   127.0.0.3  impacket's SMB server, a device announcing its own
#                        address in the remark of its IPC$ share.
#
# The names are in the namespace's own hosts file (run-in-netns.sh --hosts).
# The peers are started with setsid: smbd signals its process group when it
# stops, which must not reach the test runner.
set -uo pipefail

[ "${1:-}" = "--" ] && shift
[ -n "${ZR_NETNS:-}" ] || { echo "smb-peers: not inside a test namespace" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
smbd=$(command -v smbd || echo /usr/sbin/smbd)
[ -x "$smbd" ] || { echo "SKIP: no smbd (Debian package samba)"; exit 77; }
/usr/bin/python3 -c 'import impacket.smbserver' 2>/dev/null || { echo "SKIP: no python3-impacket"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zr-smb-peers.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/samba/share" "$work/samba/private" "$work/device"
cat >"$work/samba/smb.conf" <<CONF
[global]
	netbios name = SAMBASRV
	server string = ZrAddrRes test peer
	server role = standalone server
	interfaces = 127.0.0.2
	bind interfaces only = yes
	smb ports = 445
	disable netbios = yes
	lock directory = $work/samba
	state directory = $work/samba
	cache directory = $work/samba
	private dir = $work/samba/private
	pid directory = $work/samba
	ncalrpc dir = $work/samba/ncalrpc
	log file = $work/samba/log.%m
	log level = 1
	passdb backend = tdbsam:$work/samba/private/passdb.tdb
	map to guest = Bad User
	load printers = no
	printcap name = /dev/null

[IPCDEV]
	path = $work/samba/share
	comment = 0IP: 127.0.0.50
	guest ok = yes
	read only = yes
CONF

cat >"$work/device/device.conf" <<CONF
[global]
server_name = DEVICE1
server_os = ZrDevice
server_domain = WORKGROUP
log_file = $work/device/log
credentials_file =
challenge = AAAAAAAAAAAAAAAA
SMB2Support = True

[IPC\$]
comment = 0IP: 127.0.0.3
read only = yes
share type = 3
path =

[DEVICE1-P]
comment = Device printer
read only = yes
share type = 1
path = $work/device
CONF

# smbd binds only to addresses of an interface: give lo the peers' addresses.
for address in 127.0.0.2 127.0.0.3; do
  ip addr add "$address/8" dev lo 2>/dev/null || { echo "smb-peers: cannot add $address to lo" >&2; exit 1; }
done

setsid "$smbd" --foreground --no-process-group -s "$work/samba/smb.conf" >"$work/samba/stdout" 2>&1 &
pids+=($!)
setsid /usr/bin/python3 "$here/smb_device.py" "$work/device/device.conf" 127.0.0.3 >"$work/device/stdout" 2>&1 &
pids+=($!)

listening() { (exec 3<>"/dev/tcp/$1/445") 2>/dev/null; }
for address in 127.0.0.2 127.0.0.3; do
  for _ in $(seq 1 100); do listening "$address" && break; sleep 0.1; done
  if ! listening "$address"; then
    echo "smb-peers: nothing listens on $address:445 after 10 s" >&2
    cat "$work"/samba/log.* "$work/samba/stdout" "$work/device/stdout" 2>/dev/null >&2
    exit 1
  fi
done

"$@"
rc=$?
if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
  echo "--- smbd log"
  cat "$work"/samba/log.* "$work/samba/stdout" 2>/dev/null
  echo "--- device log"
  cat "$work/device/log" "$work/device/stdout" 2>/dev/null
fi
exit "$rc"
