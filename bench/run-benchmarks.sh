#!/usr/bin/env bash
# Builds the Release preset and measures: a dispatch against the registry work
# it does, a lookup on a worker against the same lookup made directly, how
# closely a time-out is kept (idle and with one and both cores busy), the
# POSIX registry with many values in one key (Google Benchmark), an import of
# 10,000 stored addresses and one read of them by a new process, and
# `zraddrres ports` over the sample, over a generated registry of 10,000
# ports configured by address, and over 1,000 ports configured by host name
# behind a name server that answers 20 ms late (hyperfine).
# The tool runs inside a private network namespace (as root), so that no name
# lookup of the inventory leaves this machine.
# ZR_BENCH_BUILD names another build folder than the preset's.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
build=${ZR_BENCH_BUILD:-$root/build/native-release}
cmake --preset native-release -B "$build" >/dev/null
cmake --build "$build" -j2 --target bench_dispatch bench_lookup bench_registry bench_pns bench_timeout zraddrres dns_responder >/dev/null
bin=$build/bin
work=$build/bench
mkdir -p "$work"

echo "== Google Benchmark"
"$bin/bench_dispatch" --benchmark_min_time=1 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
# The loaded cases spread widely from run to run: ten short repetitions give a steadier median.
"$bin/bench_lookup" --benchmark_min_time=0.3 --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
"$bin/bench_registry" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
"$bin/bench_timeout"

# 10,000 addresses in the store's key: the import is one change of the hive,
# and a new process finds one of them after loading it.
store=$work/store-10000.reg
if [ ! -f "$store" ]; then
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZrAddrRes]\r\n'
    for i in $(seq 0 9999); do
      printf '"Printer%06d"="10.%d.%d.%d"\r\n' "$i" $((i / 65536)) $((i / 256 % 256)) $((i % 256))
    done
  } >"$store"
fi
folder=$work/registry-store
echo "== 10,000 values in one key (hyperfine)"
hyperfine --warmup 1 --runs 10 --prepare "rm -rf $folder" \
  -n "reg import of 10,000 values in one key" "ZRADDRRES_REGISTRY=$folder $bin/zraddrres reg import $store"
ZRADDRRES_REGISTRY=$folder "$bin/zraddrres" reg import "$store"
hyperfine --warmup 2 --runs 20 \
  -n "store get of one of them by a new process" "ZRADDRRES_REGISTRY=$folder $bin/zraddrres store get Printer005000"

# 10,000 Standard TCP/IP ports, each configured by address.
big=$work/ports-10000.reg
if [ ! -f "$big" ]; then
  {
    printf 'REGEDIT4\r\n\r\n'
    for i in $(seq 0 9999); do
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_10.%d.%d.%d]\r\n' \
        $((i / 65536)) $((i / 256 % 256)) $((i % 256))
      printf '"IPAddress"="10.%d.%d.%d"\r\n"HostName"=""\r\n\r\n' $((i / 65536)) $((i / 256 % 256)) $((i % 256))
    done
  } >"$big"
fi
for set in sample big; do
  folder=$work/registry-$set
  rm -rf "$folder"
  file=$root/examples/sample.reg
  [ "$set" = big ] && file=$big
  ZRADDRRES_REGISTRY=$folder "$bin/zraddrres" reg import "$file"
done

# 1,000 Standard TCP/IP ports configured by host name, behind a name server
# that answers every question 20 ms late: the inventory waits, it does not compute.
late=$work/ports-late-1000.reg
lateZone=$work/late-zone.txt
if [ ! -f "$late" ]; then
  {
    printf 'REGEDIT4\r\n\r\n'
    for i in $(seq 0 999); do
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\host%04d.late.zrbench]\r\n' "$i"
      printf '"IPAddress"=""\r\n"HostName"="host%04d.late.zrbench"\r\n\r\n' "$i"
    done
  } >"$late"
  for i in $(seq 0 999); do
    printf 'host%04d.late.zrbench A 10.20.%d.%d\nhost%04d.late.zrbench LATE 20\n' "$i" $((i / 256)) $((i % 256)) "$i"
  done >"$lateZone"
fi
rm -rf "$work/registry-late"
ZRADDRRES_REGISTRY=$work/registry-late "$bin/zraddrres" reg import "$late"

echo "== one PNS exchange with one answer, idle and with every core busy"
ZRADDRRES_REGISTRY=$work/registry-pns "$root/tests/netns/run-in-pns-netns.sh" \
  --responder "$root/tests/netns/pns_responder.py" -- "$bin/bench_pns"

echo "== zraddrres ports (hyperfine)"
"$root/tests/netns/run-in-netns.sh" --responder "$bin/dns_responder" --zone "$root/examples/sample-zone.txt" \
  --resolv-options "timeout:3 attempts:1" -- \
  hyperfine --warmup 2 --runs 10 --ignore-failure \
  -n "sample export" "ZRADDRRES_REGISTRY=$work/registry-sample $bin/zraddrres ports --no-progress" \
  -n "10,000 ports by address" "ZRADDRRES_REGISTRY=$work/registry-big $bin/zraddrres ports --no-progress"

echo "== zraddrres ports over 1,000 host-name ports, each answer 20 ms late (hyperfine)"
"$root/tests/netns/run-in-netns.sh" --responder "$bin/dns_responder" --zone "$lateZone" \
  --resolv-options "timeout:3 attempts:1" -- \
  hyperfine --warmup 1 --runs 5 \
  -n "default --jobs" "ZRADDRRES_REGISTRY=$work/registry-late $bin/zraddrres ports --no-progress" \
  -n "--jobs 4" "ZRADDRRES_REGISTRY=$work/registry-late $bin/zraddrres ports --no-progress --jobs 4"
