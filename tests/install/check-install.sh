#!/usr/bin/env bash
# Installs the build into a private prefix, then builds tests/install/consumer
# against it twice (CMake package, pkg-config) and runs what it built.
set -euo pipefail

build=$1
toolchain=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$build/install-check
rm -rf "$work"
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

run() {
  if [ -n "$toolchain" ]; then
    WINEPATH="$(winepath -w "$prefix/bin" 2>/dev/null || echo "$prefix/bin")" \
      "$here/../support/wine-run" "$@"
  else
    LD_LIBRARY_PATH=$prefix/lib "$@"
  fi
}

# 1. find_package(ZrAddrRes)
args=(-S "$here/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Debug)
# The cross toolchain looks for packages inside its sysroot only; the prefix is outside it.
[ -n "$toolchain" ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZrAddrRes_DIR="$prefix/lib/cmake/ZrAddrRes")
cmake "${args[@]}" >/dev/null
cmake --build "$work/cmake" >/dev/null
exe=$work/cmake/consumer
[ -n "$toolchain" ] && exe=$exe.exe
[ -n "$toolchain" ] && cp "$prefix"/bin/*.dll "$work/cmake/"
run "$exe" | tee "$work/cmake.out"
grep -q '^consumer: LPT1: refused' "$work/cmake.out"

# 2. pkg-config
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
cflags=$(pkg-config --cflags ZrAddrRes)
libs=$(pkg-config --libs ZrAddrRes)
mkdir -p "$work/pkgconfig"
if [ -n "$toolchain" ]; then
  x86_64-w64-mingw32-g++-posix -std=c++17 $cflags "$here"/consumer/*.cpp -o "$work/pkgconfig/consumer.exe" $libs -static
  cp "$prefix"/bin/*.dll "$work/pkgconfig/"
  run "$work/pkgconfig/consumer.exe" | grep -q '^consumer: LPT1: refused'
else
  g++ -std=c++17 $cflags "$here"/consumer/*.cpp -o "$work/pkgconfig/consumer" $libs -Wl,-rpath,"$prefix/lib"
  "$work/pkgconfig/consumer" | grep -q '^consumer: LPT1: refused'
fi
echo "install check: passed"
