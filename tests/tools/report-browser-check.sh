#!/usr/bin/env bash
# Runs report_browser_test.py, with Debian's python (which has selenium), in
# a network namespace of its own with only loopback up (the browser's driver
# talks to it there): neither the tool's name lookups nor the page can reach
# any other machine.
#   report-browser-check.sh WORK SAMPLE TOOL [EMULATOR...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v chromium >/dev/null || ! command -v chromedriver >/dev/null ||
  ! /usr/bin/python3 -c 'import selenium' 2>/dev/null; then
  echo "skipped: needs Debian's chromium, chromium-driver and python3-selenium (scripts/install-deps.sh)" >&2
  exit 77
fi
if ! unshare -n true 2>/dev/null; then
  echo "skipped: cannot make a network namespace here (unshare -n needs root)" >&2
  exit 77
fi
exec unshare -n bash -c 'ip link set lo up && exec /usr/bin/python3 "$0" "$@"' "$here/report_browser_test.py" "$@"
