#!/usr/bin/env bash
# Installs the build into a private prefix, then builds tests/install/consumer
# and the README's program (examples/using-the-library.cpp) against it twice
# (CMake package, pkg-config) and runs what it built.
set -euo pipefail

build=$1
toolchain=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
example=$here/../../examples/using-the-library.cpp
work=$build/install-check
rm -rf "$work"
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

# The README's program: a port whose name carries its address (found on the
# NT line by the remote-port reader; the 9x line has none) and the hosts
# file's localhost, so nothing asks the network.
check_example() {
  local out
  out=$(run "$1" 192.168.10.21:lp localhost | tr -d '\r')
  echo "$out"
  grep -Eq '^192\.168\.10\.21:lp: (192\.168\.10\.21 \(IP\)|not found)$' <<<"$out"
  grep -Eq '^localhost: [0-9a-f.:]+$' <<<"$out"
}

run() {
  if [ -n "$toolchain" ]; then
    WINEPATH="$(winepath -w "$prefix/bin" 2>/dev/null || echo "$prefix/bin")" \
      "$here/../support/wine-run" "$@"
  else
    LD_LIBRARY_PATH=$prefix/lib "$@"
  fi
}

# 1. find_package(ZrAddrRes)
args=(-S "$here/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Debug
      -DEXAMPLE="$example")
# The cross toolchain looks for packages inside its sysroot only; the prefix is outside it.
[ -n "$toolchain" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZrAddrRes_DIR="$prefix/lib/cmake/ZrAddrRes")
cmake "${args[@]}" >/dev/null
cmake --build "$work/cmake" >/dev/null
exe=$work/cmake/consumer
[ -n "$toolchain" ] && exe=$exe.exe
[ -n "$toolchain" ] && cp "$prefix"/bin/*.dll "$work/cmake/"
run "$exe" | tee "$work/cmake.out"
grep -q '^consumer: LPT1: refused' "$work/cmake.out"
check_example "$work/cmake/using-the-library$([ -n "$toolchain" ] && echo .exe)"

# 2. pkg-config
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
cflags=$(pkg-config --cflags ZrAddrRes)
libs=$(pkg-config --libs ZrAddrRes)
mkdir -p "$work/pkgconfig"
if [ -n "$toolchain" ]; then
  x86_64-w64-mingw32-g++-posix -std=c++17 $cflags "$here"/consumer/*.cpp -o "$work/pkgconfig/consumer.exe" $libs -static
  cp "$prefix"/bin/*.dll "$work/pkgconfig/"
  run "$work/pkgconfig/consumer.exe" | grep -q '^consumer: LPT1: refused'
  x86_64-w64-mingw32-g++-posix -std=c++17 $cflags "$example" -o "$work/pkgconfig/using-the-library.exe" $libs -static
  check_example "$work/pkgconfig/using-the-library.exe"
else
  g++ -std=c++17 $cflags "$here"/consumer/*.cpp -o "$work/pkgconfig/consumer" $libs -Wl,-rpath,"$prefix/lib"
  "$work/pkgconfig/consumer" | grep -q '^consumer: LPT1: refused'
  g++ -std=c++17 $cflags "$example" -o "$work/pkgconfig/using-the-library" $libs -Wl,-rpath,"$prefix/lib"
  check_example "$work/pkgconfig/using-the-library"
fi
# The NetWare client stand-in: in its own folder, nowhere the library's loads
# by name look, and put in place by the installed tool when asked.
for library in calwin32 clxwin32 prtwin32 locwin32 netwin32; do
  [ -f "$prefix/libexec/zraddrres/nwstandin/$library.dll" ] || { echo "stand-in $library not installed"; exit 1; }
  [ ! -e "$prefix/bin/$library.dll" ] && [ ! -e "$prefix/lib/$library.dll" ] || { echo "$library beside the tool"; exit 1; }
done
tool=$prefix/bin/zraddrres
[ -n "$toolchain" ] && tool=$prefix/bin/zraddrres.exe
cp "$prefix/share/zraddrres/netware-example.txt" "$work/netware.txt"
out=$(cd "$work" && run "$tool" resolve --ipx --netware-network netware.txt '\\FS1\Q1' | tr -d '\r')
echo "$out"
grep -q $'01020304:0a5c3e000001\tNetWare' <<<"$out"

echo "install check: passed"
