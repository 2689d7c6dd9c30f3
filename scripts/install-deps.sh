#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing both targets
# needs, when it is missing: compilers, the mingw-w64 cross compiler, Wine,
# GoogleTest, Google Benchmark, CLI11, nlohmann/json, hyperfine, the
# ja_JP.UTF-8 locale (code page 932 under Wine), iproute2 (test namespaces),
# and the SMB pieces: Samba's libnetapi (the POSIX client of share lists, found
# through pkg-config), its smbd and impacket's SMB server (the test peers),
# and the headless browser of the HTML report's test: chromium, its driver
# and selenium.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_file() { [ -e "$1" ]; }

have_cmd cmake || need+=(cmake)
have_cmd ninja || need+=(ninja-build)
have_cmd g++ || need+=(g++)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix mingw-w64-tools)
have_cmd x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
have_cmd wine || need+=(wine wine64)
have_file /usr/lib/wine/wine64 || have_file /usr/bin/wine64 || need+=(wine64)
have_file /usr/src/googletest/CMakeLists.txt || need+=(googletest)
have_file /usr/include/gtest/gtest.h || need+=(libgtest-dev libgmock-dev)
have_file /usr/include/gmock/gmock.h || need+=(libgmock-dev)
have_file /usr/include/benchmark/benchmark.h || need+=(libbenchmark-dev)
have_file /usr/include/CLI/CLI.hpp || need+=(libcli11-dev)
have_file /usr/include/nlohmann/json.hpp || need+=(nlohmann-json3-dev)
have_cmd hyperfine || need+=(hyperfine)
have_cmd ip || need+=(iproute2)
have_cmd locale-gen || need+=(locales)
have_cmd flock || need+=(util-linux)
have_cmd python3 || need+=(python3)
have_cmd pkg-config || need+=(pkg-config)
have_file /usr/include/samba-4.0/netapi.h || need+=(samba-dev)
have_cmd smbd || have_file /usr/sbin/smbd || need+=(samba)
/usr/bin/python3 -c 'import impacket.smbserver' >/dev/null 2>&1 || need+=(python3-impacket)
have_cmd chromium || need+=(chromium)
have_cmd chromedriver || need+=(chromium-driver)
/usr/bin/python3 -c 'import selenium' >/dev/null 2>&1 || need+=(python3-selenium)

if [ ${#need[@]} -gt 0 ]; then
  echo "install-deps: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
