#!/usr/bin/env bash
# The load tests in their long form: the tests labelled "stress" with every
# count multiplied (ZRADDRRES_STRESS_SCALE, default 10), natively, under
# AddressSanitizer and under ThreadSanitizer (there at most x5), each timed.
# scripts/test.sh runs them once in their short form.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" || exit 1
export ZRADDRRES_STRESS_SCALE=${ZRADDRRES_STRESS_SCALE:-10}
status=0
for preset in native native-asan native-tsan; do
  scale=$ZRADDRRES_STRESS_SCALE
  # ThreadSanitizer keeps at most about 8,000 threads alive, and the abandoned
  # lookups hold one each until the name service lets go: 1,000 times the
  # scale at once. Past that, starting a worker fails, as it would anywhere
  # out of threads, and the test (which expects every call to time out) fails.
  [ "$preset" = native-tsan ] && [ "$scale" -gt 5 ] && scale=5
  echo "=== $preset, counts x$scale"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j2 >/dev/null || { status=1; continue; }
  ZRADDRRES_STRESS_SCALE=$scale ASAN_OPTIONS=detect_leaks=1 TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir "build/$preset" -L stress --output-on-failure --timeout 1800 || status=1
done
exit $status
