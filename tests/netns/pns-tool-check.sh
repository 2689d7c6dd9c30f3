#!/usr/bin/env bash
# zraddrres pns, run as a user runs it, against the responder of
# run-in-pns-netns.sh: the chosen reply, the address, what was recorded, and
# the exit status. Arguments: the tool, with the emulator before it if any.
set -uo pipefail
[ -n "${ZR_PNS_DIR:-}" ] || { echo "run through run-in-pns-netns.sh" >&2; exit 1; }
tool=("$@")
registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT
export ZRADDRRES_REGISTRY=$registry  # natively: a registry of this check's own

fail() {
  echo "FAIL: $*" >&2
  echo "$out" >&2
  exit 1
}

: >"$ZR_PNS_DIR/requests"
printf '1 10 %s\n' "$(printf 'PNS452 pns-a 192.0.2.55 0001' | od -An -tx1 | tr -d ' \n')" >"$ZR_PNS_DIR/script"
out=$("${tool[@]}" pns '\\srv\srv-P' --json 2>&1)
rc=$?
[ "$rc" -eq 0 ] || fail "exit $rc for an answered name"
grep -q '"address": "192.0.2.55"' <<<"$out" || fail "the address is shown"
grep -q '"PNSServer": "pns-a"' <<<"$out" || fail "the recorded server is shown"
[ "$(wc -l <"$ZR_PNS_DIR/requests")" -eq 1 ] || fail "one request for an answer in the first attempt"

# A reply whose device field is a host name: recorded, not taken.
: >"$ZR_PNS_DIR/requests"
printf '1 10 %s\n' "$(printf 'PNS452 pns-b printer.example 0001' | od -An -tx1 | tr -d ' \n')" >"$ZR_PNS_DIR/script"
out=$("${tool[@]}" pns '\\srv\srv-P' 2>&1)
rc=$?
[ "$rc" -eq 1 ] || fail "exit $rc for a device field that is no address"
grep -q 'address.*none: the device field is not an address' <<<"$out" || fail "the reason is said"
grep -q 'device.*printer.example' <<<"$out" || fail "the chosen device is shown"
# A server field that would retitle the terminal is shown escaped.
: >"$ZR_PNS_DIR/requests"
printf '1 10 %s\n' "$(printf 'PNS452 pns\033]0;owned\007 192.0.2.57 0001' | od -An -tx1 | tr -d ' \n')" \
  >"$ZR_PNS_DIR/script"
out=$("${tool[@]}" pns '\\srv\srv-P' 2>&1)
rc=$?
[ "$rc" -eq 0 ] || fail "exit $rc for an answered name"
grep -qF "$(printf 'server\tpns\\x1b]0;owned\\x07')" <<<"$out" || fail "the server field is shown escaped"
! grep -q "$(printf '[\033\007]')" <<<"$out" || fail "no control character reaches the terminal"
echo "pns tool check passed"
