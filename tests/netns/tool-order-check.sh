#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace, against tool-order-zone.txt:
# the tool's answers for an inventory must not depend on how many resolver
# objects work at once, and every port without an answer says why.
#
#   tool-order-check.sh WORK-FOLDER TOOL [EMULATOR...]
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/tool-check-setup.sh" "$@"
z() { run_tool "$@"; }

monitor='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports'
settings='HKEY_LOCAL_MACHINE\Software\ZrAddrRes'
port() {
  printf '[%s\\%s]\n"IPAddress"=""\n"HostName"="%s"\n\n' "$monitor" "$1" "$2"
}
{
  printf 'REGEDIT4\n\n'
  # One second instead of five: the lookups of the silent name end sooner.
  printf '[%s]\n"GetIPAddress Timeout"=dword:00000001\n\n' "$settings"
  port Annex annex.printers.zrtest
  port Basement basement.printers.zrtest
  port FrontDesk frontdesk.printers.zrtest
  port Lobby lobby.printers.zrtest
} >site.reg
cleanup() {
  printf 'REGEDIT4\n\n[-%s\\Annex]\n[-%s\\Basement]\n[-%s\\FrontDesk]\n[-%s\\Lobby]\n[-%s]\n' \
    "$monitor" "$monitor" "$monitor" "$monitor" "$settings" >"$work/cleanup.reg"
  (cd "$work" && z reg import cleanup.reg >/dev/null 2>&1)
}
trap cleanup EXIT
z reg import site.reg >/dev/null || { echo "FAIL: reg import" >&2; exit 1; }

# port, address (or -) and reason of each of our ports, one line each.
summary() {
  python3 -c '
import json, sys
for row in json.load(sys.stdin):
    if row["port"] in ("Annex", "Basement", "FrontDesk", "Lobby"):
        print(row["port"], row["address"] or "-", row.get("reason", ""))'
}

first=
for jobs in 1 2 4 16; do
  out=$(z ports --json --no-progress --jobs "$jobs" | summary)
  [ -n "$first" ] || first=$out
  [ "$out" = "$first" ] || fail "ports --jobs $jobs answered otherwise than --jobs 1:"$'\n'"$out"$'\n'"against"$'\n'"$first"
done
# After Basement's time-out the later lookups are not made, the unknown
# name's included: all that can be said of Lobby is that the server was silent.
expected='Annex 10.9.0.1 
Basement - name-server-silent
FrontDesk - name-server-silent
Lobby - name-server-silent'
[ "$first" = "$expected" ] || fail "ports: expected"$'\n'"$expected"$'\n'"got"$'\n'"$first"

out=$(z ports --csv --no-progress)
grep -q '^FrontDesk,.*,name-server-silent,' <<<"$out" || fail "ports --csv carries no reason: $out"
out=$(z ports --no-progress)
grep -q 'FrontDesk .*no answer from the name server' <<<"$out" || fail "the table says no reason: $out"

# One object through the ports in the order given, as an application would.
out=$(z resolve Basement FrontDesk Annex)
status=$?
[ $status -eq 1 ] || fail "resolve after a time-out: exit $status"
grep -q $'^Basement\t-\tnone\tno answer from the name server: the lookup of basement.printers.zrtest timed out' <<<"$out" ||
  fail "resolve: Basement's reason: $out"
grep -q $'^Annex\t-\tnone\tno answer from the name server: annex.printers.zrtest was not looked up' <<<"$out" ||
  fail "resolve: Annex's reason: $out"
out=$(z resolve FrontDesk Annex)
status=$?
[ $status -eq 0 ] || fail "resolve without the silent name: exit $status: $out"
grep -q $'^FrontDesk\t10.9.0.2\tIP' <<<"$out" || fail "resolve: FrontDesk: $out"
out=$(z resolve --json Lobby)
python3 -c '
import json, sys
row = json.loads(sys.argv[1])[0]
assert row["address"] is None and row["reason"] == "name-not-found", row
assert row["detail"] == "name not found: lobby.printers.zrtest", row' "$out" || fail "resolve --json Lobby: $out"

# host: the library's codes by name, and where the time-out came from.
out=$(z host --json basement.printers.zrtest)
python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["code"] == "timed-out" and r["answer"] is None, r
assert r["timeout"] == {"milliseconds": 1000, "from": "registry", "value": "GetIPAddress Timeout"}, r' "$out" ||
  fail "host --json of a silent name: $out"
out=$(z host --json lobby.printers.zrtest)
python3 -c '
import json, sys
r = json.loads(sys.argv[1])
assert r["code"] == "not-found", r' "$out" || fail "host --json of an unknown name: $out"
err=$(z host annex.printers.zrtest 2>&1 >/dev/null)
grep -q 'time-out 1000 ms, from the registry value "GetIPAddress Timeout"' <<<"$err" || fail "host: time-out source: $err"
z host --timeout -5 annex.printers.zrtest >/dev/null 2>&1
status=$?
[ $status -eq 2 ] || fail "host --timeout -5: exit $status"

finish "tool order"
