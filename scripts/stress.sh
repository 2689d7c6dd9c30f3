#!/usr/bin/env bash
# The load tests in their long form: the tests labelled "stress" with every
# count multiplied (ZRADDRRES_STRESS_SCALE, default 10), natively, under
# AddressSanitizer and under ThreadSanitizer, each timed. scripts/test.sh runs
# them once in their short form.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" || exit 1
export ZRADDRRES_STRESS_SCALE=${ZRADDRRES_STRESS_SCALE:-10}
status=0
for preset in native native-asan native-tsan; do
  echo "=== $preset, counts x$ZRADDRRES_STRESS_SCALE"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j2 >/dev/null || { status=1; continue; }
  ASAN_OPTIONS=detect_leaks=1 TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir "build/$preset" -L stress --output-on-failure --timeout 1800 || status=1
done
exit $status
