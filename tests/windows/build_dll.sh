#!/bin/sh
# Configures and builds quillon.dll, its import library and the Windows test
# hosts for one architecture (i686 or x86_64) into BUILD_DIR. Warnings are
# errors, as in the Linux build.
# Usage: build_dll.sh SOURCE_DIR BUILD_DIR ARCH
set -eu
src=$1 dir=$2 arch=$3
triple=$arch-w64-mingw32
for tool in "$triple-gcc-win32" "$triple-g++-win32"; do
  command -v "$tool" >/dev/null 2>&1 ||
    { echo "$tool not found: run scripts/install-deps (packages in scripts/deps/windows.apt)" >&2; exit 1; }
done
[ -e "/usr/$triple/lib/libz.a" ] ||
  { echo "/usr/$triple/lib/libz.a not found: run scripts/install-deps (libz-mingw-w64-dev)" >&2; exit 1; }
cmake -S "$src/windows" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$src/windows/toolchain-$triple.cmake" \
  -DQUILLON_WERROR=ON >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2
for f in quillon.dll libquillon.dll.a quillon-host.exe quillon-host-linked.exe; do
  [ -s "$dir/$f" ] || { echo "$dir/$f was not built" >&2; exit 1; }
done
echo "built $dir/quillon.dll ($(wc -c <"$dir/quillon.dll") bytes) and $dir/libquillon.dll.a"
