#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace, against who-zone.txt:
# zraddrres who with host names the name server answers, does not know, or
# leaves unanswered. The site is read through --registry, so no registry is
# changed.
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

finish "who"
