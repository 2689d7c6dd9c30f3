#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace, against who-zone.txt:
# zraddrres who with host names the name server answers, does not know, or
# leaves unanswered; and the reasons and addresses that depend on what the
# running Windows line reads. The sites are read through --registry, so no
# registry is changed. (who behind a silent name server: who-silent-check.sh.)
#
#   who-check.sh WORK-FOLDER TOOL [EMULATOR...]
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/tool-check-setup.sh" "$@"
z() { run_tool "$@" --registry site.reg; }

monitor='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports'
port() {
  printf '[%s\\%s]\n"IPAddress"="%s"\n"HostName"="%s"\n\n' "$monitor" "$1" "$2" "$3"
}
{
  printf 'REGEDIT4\n\n'
  # One second instead of five: the lookups of the silent name end sooner.
  printf '[HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes]\n"GetIPAddress Timeout"=dword:00000001\n\n'
  port Dock "" dock.zraudit
  port Dock-Direct 10.1.0.7 ""
  port Ghost "" ghost.zraudit
  port Lobby 10.1.0.5 ""
  # Configured without an address: only its stored entry gives it one (the
  # readers ask the name server for the port's own name on the way).
  port Blank "" ""
  printf '[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"Dock-Recorded"="DOCK.zraudit"\n"Lobby-Recorded"="ghost.zraudit"\n'
  printf '"Blank"="10.1.0.33"\n'
} >site.reg

# target | exit | lines the output must hold, in order (a regex each, ;-separated) | the message, a regex
while IFS='|' read -r target status lines message; do
  # The Windows tool ends its lines with CR LF.
  out=$(z who "$target" 2>err.txt | tr -d '\r')
  code=$?  # pipefail: the tool's status
  err=$(tr -d '\r' <err.txt)
  [ "$code" -eq "$status" ] || fail "who $target: exit $code, not $status: $out $err"
  IFS=';' read -ra wanted <<<"$lines"
  rest=$out
  for line in "${wanted[@]}"; do
    [ -n "$line" ] || continue
    at=$(grep -nE -m1 "$line" <<<"$rest" | cut -d: -f1)
    if [ -z "$at" ]; then
      fail "who $target: no line /$line/ (after the ones before it) in: $out"
      break
    fi
    rest=$(tail -n +$((at + 1)) <<<"$rest")
  done
  grep -Eq "$message" <<<"$err" || fail "who $target: no message /$message/ in: $err"
done <<'CASES'
dock.zraudit|0|^port +Dock +HP Standard TCP/IP Port +10\.1\.0\.7 +address$;^port +Dock-Direct +.* +10\.1\.0\.7 +address$;^stored +Dock-Recorded +address store \(DOCK\.zraudit\) +10\.1\.0\.7 +host name$|^$
10.1.0.7|0|^port +Dock +;^port +Dock-Direct +;^stored +Dock-Recorded +address store \(DOCK\.zraudit\) +10\.1\.0\.7 +address$|^$
ghost.zraudit|0|^port +Ghost +HP Standard TCP/IP Port +- +host name$;^stored +Lobby-Recorded +address store \(ghost\.zraudit\) +- +host name$|^zraddrres: who: name not found: ghost\.zraudit; only what names ghost\.zraudit is listed$
nowhere.zraudit|1||^zraddrres: who: nothing leads to nowhere\.zraudit$
silent.zraudit|1||^zraddrres: who: no answer from the name server for silent\.zraudit: the lookup timed out; only what names
CASES

# store check: an entry that alone gives its port an address is not "same".
out=$(z store check | tr -d '\r')
code=$?
[ "$code" -eq 0 ] || fail "store check: exit $code: $out"
grep -Eq '^unresolved +Blank +Blank +10\.1\.0\.33 +- +no reader finds an address for the port now; only the store does$' \
  <<<"$out" || fail "store check: Blank is not unresolved: $out"

# What each Windows line reads: a port configured only under monitors the
# running line does not read is "not configured" there, whatever became of
# the lookup of its own name that the NT line's remote-port and SMB readers
# make on the way (the name server here answers that it is unknown).
monitors='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors'
{
  printf 'REGEDIT4\n\n'
  printf '[%s\\Standard TCP/IP Port\\Ports\\Std-Desk]\n"IPAddress"="10.1.0.9"\n"HostName"=""\n\n' "$monitors"
  printf '[%s\\Canon LPR Port\\Ports\\CLPR-Desk]\n"Server Name"="10.1.0.60"\n"Printer Name"="lp"\n\n' "$monitors"
  printf '[%s\\JN TCP/IP TQP Port\\Ports]\n"TQP-Desk"="10.1.0.70"\n\n' "$monitors"
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\Internet Print Provider\\Ports\\http://10.1.0.80/ipp/print]\n\n'
  # A direct-print port, under the 9x line's key and the NT line's (two
  # full-width letters in code page 932 bytes): the 9x line gives its IPX
  # address as node:network, the NT line stops there.
  printf '[%s\\JN Spoolbridge Port\\Ports]\n"SB-Dock"="00001234-0080c7a1b2c3"\n\n' "$monitors"
  printf '[%s\\\x82\x69\x82\x6d Spoolbridge Port\\Ports]\n"SB-Dock"="00001234-0080c7a1b2c3"\n\n' "$monitors"
  printf '[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"SB-Dock"="00001234:0080c7a1b2c3"\n'
} >lines.reg
out=$(run_tool ports --json --no-progress --registry lines.reg 2>/dev/null | tr -d '\r')
line_kind=$(python3 -c '
import json, sys
rows = {r["port"]: r for r in json.loads(sys.argv[1])}
monitors = {"Std-Desk": "Standard TCP/IP Port", "CLPR-Desk": "Canon LPR Port", "TQP-Desk": "JN TCP/IP TQP Port",
            "http://10.1.0.80/ipp/print": "Internet Print Provider"}
for port, monitor in monitors.items():
    row = rows[port]
    if row["resolved"]:
        continue
    assert row["reason"] == "not-configured", row
    assert row["detail"].startswith("not configured under any monitor the "), row
    assert "; it is configured under " + monitor in row["detail"], row
dock = rows["SB-Dock"]
if dock["resolved"]:
    assert dock["address"] == "0080c7a1b2c3:00001234", dock
    print("9x")
else:
    assert dock["reason"] == "stopped-by-design", dock
    print("NT")
' "$out") || fail "ports: a configuration the line does not read is not the reason given: $out"

# The direct-print port by its IPX address written network:node, as stored entries hold it.
out=$(run_tool who 00001234:0080C7A1B2C3 --registry lines.reg 2>err.txt | tr -d '\r')
code=$?
if [ "$line_kind" = 9x ]; then
  [ "$code" -eq 0 ] && grep -Eq '^port +SB-Dock +JN Spoolbridge Port +0080c7a1b2c3:00001234 +address +the same address as 00001234:0080C7A1B2C3, written another way$' <<<"$out" ||
    fail "who of a direct-print port's address, written network:node: exit $code: $out $(cat err.txt)"
elif [ "$line_kind" = NT ]; then
  [ "$code" -eq 0 ] && ! grep -q '^port' <<<"$out" ||
    fail "who on the NT line, where the direct-print port has no address: exit $code: $out"
fi
# Its stored entry, written network:node, is the address it has now.
out=$(run_tool store check --registry lines.reg 2>&1 | tr -d '\r')
code=$?
if [ "$line_kind" = 9x ]; then
  [ "$code" -eq 0 ] && grep -Eq '^same +SB-Dock +SB-Dock +00001234:0080c7a1b2c3 +0080c7a1b2c3:00001234 +the same address, written another way$' <<<"$out" ||
    fail "store check of a direct-print port's entry: exit $code: $out"
fi

finish "who"
