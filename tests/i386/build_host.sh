#!/bin/sh
# Configures and builds the static 32-bit host (static_host/) into BUILD_DIR
# and checks that the result is a static i386 ELF program.
# Usage: build_host.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1 dir=$2
for f in /usr/lib32/libc.a /usr/lib32/libz.a; do
  [ -e "$f" ] || { echo "$f not found: run scripts/install-deps (scripts/deps/i386.apt)" >&2; exit 1; }
done
g++ -m32 -print-file-name=libstdc++.a | grep -q / ||
  { echo "no 32-bit libstdc++: run scripts/install-deps (g++-multilib)" >&2; exit 1; }
mkdir -p "$dir"
cmake -S "$src/tests/i386/static_host" -B "$dir" \
  -DCMAKE_TOOLCHAIN_FILE="$src/tests/i386/toolchain-i686-linux.cmake" \
  >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2
exe=$dir/quillon-host-i386
# ELF class 1 (32-bit), machine 3 (i386), and no program interpreter.
class=$(od -An -tu1 -j4 -N1 "$exe" | tr -d ' ')
machine=$(od -An -tu2 -j18 -N2 "$exe" | tr -d ' ')
[ "$class $machine" = "1 3" ] || { echo "$exe is not an i386 ELF program" >&2; exit 1; }
if readelf -l "$exe" | grep -q INTERP; then
  echo "$exe is not static" >&2; exit 1
fi
echo "built $exe ($(wc -c <"$exe") bytes, static i386)"
