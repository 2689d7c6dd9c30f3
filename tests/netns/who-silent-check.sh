#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace, against who-zone.txt:
# zraddrres who behind a silent name server. The port whose lookup timed
# out, and the ports and stored host names after it, are listed as not
# checked, not left out; --each asks for each on its own. Each run waits
# out a time-out or two (label slow).
#
#   who-silent-check.sh WORK-FOLDER TOOL [EMULATOR...]
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/tool-check-setup.sh" "$@"

monitor='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\HP Standard TCP/IP Port\Ports'
port() {
  printf '[%s\\%s]\n"IPAddress"="%s"\n"HostName"="%s"\n\n' "$monitor" "$1" "$2" "$3"
}

# Desk is configured by host name after the silent Attic, Desk-Direct by address.
{
  printf 'REGEDIT4\n\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\ZrAddrRes]\n"GetIPAddress Timeout"=dword:00000001\n\n'
  port Attic "" silent.zraudit
  port Desk "" localhost
  port Desk-Direct 127.0.0.1 ""
  printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Desk Jet]\n"Port"="Desk"\n\n'
  printf '[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\n"Attic-Recorded"="silent.zraudit"\n"Desk-Recorded"="localhost"\n'
} >silent.reg
while IFS='|' read -r options lines message; do
  out=$(run_tool who 127.0.0.1 $options --registry silent.reg 2>err.txt | tr -d '\r')
  code=$?
  err=$(tr -d '\r' <err.txt)
  [ "$code" -eq 0 ] || fail "who 127.0.0.1 $options: exit $code: $out $err"
  IFS=';' read -ra wanted <<<"$lines"
  for line in "${wanted[@]}"; do
    grep -Eq "$line" <<<"$out" || fail "who 127.0.0.1 $options: no line /$line/ in: $out"
  done
  grep -Eq "$message" <<<"$err" || fail "who 127.0.0.1 $options: no message /$message/ in: $err"
done <<'CASES'
|^port +Attic +HP Standard TCP/IP Port +- +not checked +no answer from the name server: the lookup of silent\.zraudit timed out$;^port +Desk +HP Standard TCP/IP Port +- +not checked +no answer from the name server: localhost was not looked up, because an earlier lookup had timed out$;^port +Desk-Direct +.* +127\.0\.0\.1 +address$;^printer +Desk Jet +port Desk +- +not checked +its port Desk was not checked$;^stored +Attic-Recorded +address store \(silent\.zraudit\) +- +not checked +no answer from the name server for silent\.zraudit: the lookup timed out$;^stored +Desk-Recorded +address store \(localhost\) +- +not checked +localhost was not looked up, because an earlier lookup had timed out$|^zraddrres: who: 5 listed as not checked: .*--each
--each|^port +Attic +.* +not checked +no answer from the name server: the lookup of silent\.zraudit timed out$;^port +Desk +HP Standard TCP/IP Port +127\.0\.0\.1 +address$;^port +Desk-Direct +.* +127\.0\.0\.1 +address$;^printer +Desk Jet +port Desk +127\.0\.0\.1 +port$;^stored +Attic-Recorded +.* +not checked +;^stored +Desk-Recorded +address store \(localhost\) +127\.0\.0\.1 +address$|^zraddrres: who: 2 listed as not checked
CASES
out=$(run_tool who 127.0.0.1 --json --registry silent.reg 2>/dev/null | tr -d '\r')
python3 -c '
import json, sys
found = json.loads(sys.argv[1])
assert [m["name"] for m in found["matches"]] == ["Desk-Direct"], found
assert [(m["what"], m["name"]) for m in found["notChecked"]] == [
    ("port", "Attic"), ("port", "Desk"), ("printer", "Desk Jet"), ("stored", "Attic-Recorded"),
    ("stored", "Desk-Recorded")], found
' "$out" || fail "who --json: the ports not checked are apart from the matches: $out"

finish "who behind a silent name server"
