#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace, against tool-order-zone.txt:
# zraddrres explain of a port whose host name the name server leaves
# unanswered, of the port after it on the same object, of a mistyped name,
# and of a NetWare queue rehearsed with the client stand-in (explain and ports).
#
#   explain-check.sh WORK-FOLDER TOOL [EMULATOR...]
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/tool-check-setup.sh" "$@"
z() { run_tool "$@"; }

monitor='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports'
settings='HKEY_LOCAL_MACHINE\Software\ZrAddrRes'
{
  printf 'REGEDIT4\n\n'
  printf '[%s]\n"GetIPAddress Timeout"=dword:00000001\n\n' "$settings"
  printf '[%s\\Basement]\n"IPAddress"=""\n"HostName"="basement.printers.zrtest"\n\n' "$monitor"
  printf '[%s\\Annex]\n"IPAddress"=""\n"HostName"="annex.printers.zrtest"\n\n' "$monitor"
} >site.reg
cleanup() {
  printf 'REGEDIT4\n\n[-%s\\Basement]\n[-%s\\Annex]\n[-%s]\n' "$monitor" "$monitor" "$settings" >"$work/cleanup.reg"
  printf '[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"\\\\\\\\FS1\\\\Q1"=-\n' >>"$work/cleanup.reg"
  (cd "$work" && z reg import cleanup.reg >/dev/null 2>&1)
}
trap cleanup EXIT
z reg import site.reg >/dev/null || { echo "FAIL: reg import" >&2; exit 1; }

# Basement times out; Annex, on the same object after it, is not looked up.
out=$(z explain --json Basement Annex)
status=$?
[ $status -eq 1 ] || fail "explain with a silent name: exit $status"
python3 -c '
import json, sys
accounts = json.loads(sys.argv[1])
assert [a["port"] for a in accounts] == ["Basement", "Annex"], accounts
def hp(account):
    steps = [s for s in account["steps"] if s["reader"] == "GetIPAddressFromHPStandardTCPIPPort"]
    assert len(steps) == 1, account
    return steps[0]
basement, annex = accounts
step = hp(basement)
assert step["verdict"] == "timed-out", step
lookup = step["lookups"][0]
assert lookup["host"] == "basement.printers.zrtest" and lookup["outcome"] == "timed-out", lookup
assert lookup["timeout"]["seconds"] == 1 and lookup["timeout"]["value"] == "GetIPAddress Timeout", lookup
# The wait shows in the step time: about the second the registry asks for.
assert 900 <= step["milliseconds"] <= 10000, step
assert basement["reason"] == "name-server-silent", basement
step = hp(annex)
assert step["verdict"] == "refused-after-time-out", step
assert step["lookups"][0]["outcome"] == "refused-after-time-out", step
assert annex["reason"] == "name-server-silent", annex
' "$out" || fail "explain --json Basement Annex: $out"

out=$(z explain Basement)
grep -q 'timed-out: host name basement.printers.zrtest: the lookup timed out' <<<"$out" || fail "explain text: $out"
grep -q 'time-out 1 s from "GetIPAddress Timeout" under HKEY_LOCAL_MACHINE' <<<"$out" || fail "explain text: $out"

# A mistyped name: looked up as a host name by the remote-port reader, not
# found, and configured nowhere: an error, not an account.
err=$(z explain FrontDsk 2>&1 >/dev/null)
status=$?
[ $status -eq 1 ] || fail "explain of an unknown port: exit $status"
grep -q '^zraddrres: explain: no port named FrontDsk' <<<"$err" || fail "explain of an unknown port: $err"

# A NetWare queue, rehearsed with the client stand-in: the other readers of
# a UNC name find nothing in here, and the NetWare step answers.
printf 'primary FS1\nwhoami Admin.Sales.Acme\nserver FS1\nobject ACME_TREE_______________________ 0x7802\nobject PS1 0x0905 address 01020304:0A5C3E000001:8060\nobject Q1 0x0300 attached PS1\n' >site.txt
out=$(z explain --json --netware-network site.txt '\\FS1\Q1')
status=$?
[ $status -eq 0 ] || fail "explain of a NetWare queue: exit $status: $out"
python3 -c '
import json, sys
[account] = json.loads(sys.argv[1])
assert account["resolved"] and account["address"] == "01020304:0a5c3e000001", account
assert account["kindName"] == "NetWare", account
netware = [s for s in account["steps"] if s["reader"] == "GetIPXAddressFromNetWarePort"]
assert len(netware) == 1 and netware[0]["verdict"] == "answered", account["steps"]
' "$out" || fail "explain --json of a NetWare queue: $out"
# The inventory takes the same option: a queue recorded in the store is
# answered by NetWare, not by the recorded address.
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"\\\\\\\\FS1\\\\Q1"="10.9.9.9"\n' >queue.reg
z reg import queue.reg >/dev/null || fail "reg import queue.reg"
out=$(z ports --json --no-progress --netware-network site.txt)
python3 -c '
import json, sys
rows = [r for r in json.loads(sys.argv[1]) if r["port"] == "\\\\FS1\\Q1"]
assert len(rows) == 1 and rows[0]["address"] == "01020304:0a5c3e000001" and rows[0]["kindName"] == "NetWare", rows
' "$out" || fail "ports --netware-network: $out"

finish "explain"
