#!/usr/bin/env bash
# The main job on the bundled sample: builds the native tool, loads
# examples/sample.reg into a private registry, and resolves every port it
# configures, as the NT line and as the 9x line would.
#
# The library asks the name service for host names (and, for ports named like
# a remote host, for the port name itself). So the tool runs inside a private
# network namespace whose only name server is the sample's own responder
# (examples/sample-zone.txt): no query leaves this machine. That needs root.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target zraddrres dns_responder >/dev/null

export ZRADDRRES_REGISTRY=$root/build/native/sample-registry
rm -rf "$ZRADDRRES_REGISTRY"
tool=$root/build/native/bin/zraddrres
"$tool" reg import examples/sample.reg

in_namespace() {
  "$root/tests/netns/run-in-netns.sh" --responder "$root/build/native/bin/dns_responder" \
    --zone "$root/examples/sample-zone.txt" --resolv-options "timeout:3 attempts:1" -- "$@"
}

status=0
for line in win10 win98; do
  echo "== every port, as seen on $line"
  in_namespace env ZRADDRRES_WINVER=$line ZRADDRRES_REGISTRY="$ZRADDRRES_REGISTRY" "$tool" ports --no-progress ||
    status=$?
  [ "$status" -eq 77 ] && { echo "run-main: the sample needs root for its private network namespace" >&2; exit 1; }
done
echo "== the host name behind an address, and the addresses recorded"
in_namespace env ZRADDRRES_REGISTRY="$ZRADDRRES_REGISTRY" "$tool" reverse 192.168.10.21 || true
"$tool" store list
# 1 means some port did not resolve, which the sample has on purpose.
[ "$status" -le 1 ]
