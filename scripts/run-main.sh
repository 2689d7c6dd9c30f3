#!/usr/bin/env bash
# The main job on the bundled sample: builds the native tool, loads
# examples/sample.reg into a private registry, and resolves its ports as the
# NT line and as the 9x line would.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target zraddrres >/dev/null

export ZRADDRRES_REGISTRY=$root/build/native/sample-registry
rm -rf "$ZRADDRRES_REGISTRY"
tool=$root/build/native/bin/zraddrres
"$tool" reg import examples/sample.reg

ports=(IP_192.168.10.21 FrontDesk Lab6 HP_192.168.10.40 192.168.10.50:lp CLPR_1 SB_Warehouse Recorded_10 LPT1:)
for line in win10 win98; do
  echo "== ports as seen on $line (port, address, kind)"
  ZRADDRRES_WINVER=$line "$tool" resolve "${ports[@]}" || true
done
