#!/bin/sh
# Builds the library as a user with only a compiler, CMake and zlib would,
# installs it into WORK/prefix with CMAKE_INSTALL_LIBDIR=lib64, and uses the
# installed files as host projects do: the examples built through pkg-config
# (shared and fully static) and through find_package(quillon CONFIG)
# (quillon::quillon and quillon::quillon_static), and the installed
# quillon-demo run from its own place. Every movie written is read by the
# strict SWF reader (CHECKER).
# Usage: check_install.sh SOURCE_DIR WORK_DIR CHECKER
set -eu
src=$1 work=$2 check=$3
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work/movies"

fail() { echo "FAIL: $*"; exit 1; }
step() { echo "== $*"; }

# What a configure step looks for, recorded in $work/looked-for.
cat >"$work/watch.cmake" <<'EOT'
include_guard(GLOBAL)
macro(find_package)
  file(APPEND "${QUILLON_WATCH_LOG}" "find_package ${ARGV0}\n")
  _find_package(${ARGV})
endmacro()
macro(find_program)
  file(APPEND "${QUILLON_WATCH_LOG}" "find_program ${ARGV0}\n")
  _find_program(${ARGV})
endmacro()
EOT
echo 'set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB64_PATHS TRUE)' >"$work/lib64-system.cmake"
hidden="-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
        -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
        -DQUILLON_NODE=QUILLON_NODE-NOTFOUND"

step "configure: the library, libquillon.a and quillon-demo; the build type left to the project"
# shellcheck disable=SC2086
cmake -S "$src" -B "$work/build" $hidden -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib64 \
  -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF -DQUILLON_EXAMPLES=OFF -DQUILLON_TOOLS=ON \
  -DQUILLON_SLIDES=OFF -DQUILLON_STATIC=ON -DQUILLON_WERROR=ON \
  -DCMAKE_PROJECT_INCLUDE="$work/watch.cmake" -DQUILLON_WATCH_LOG="$work/looked-for" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configure"; }
packages=$(sed -n 's/^find_package //p' "$work/looked-for" | sort -u | tr '\n' ' ')
[ "$packages" = "ZLIB " ] || fail "the configure step looked for packages: $packages(only ZLIB expected)"
if grep -E '^find_program (QUILLON_|PKG_CONFIG)' "$work/looked-for"; then
  fail "the configure step looked for the programs above"
fi
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$work/build/CMakeCache.txt" || fail "the default build type is not Release"

step "build and install into $prefix"
cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "build"; }
cmake --install "$work/build" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
for f in lib64/libquillon.so.1 lib64/libquillon.a include/quillon.h include/quillon_movie.h lib64/pkgconfig/quillon.pc \
         lib64/cmake/quillon/quillonConfig.cmake lib64/cmake/quillon/quillonConfigVersion.cmake \
         share/doc/quillon/LICENSE bin/quillon-demo; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
[ ! -e "$prefix/lib" ] || fail "something was installed into lib/: $(ls "$prefix/lib")"
soname=$(readelf -d "$prefix/lib64/libquillon.so.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libquillon.so.1 ] || fail "SONAME is '$soname'"
if readelf -S "$prefix/lib64/libquillon.so.1" | grep -q '\.debug_info'; then
  fail "the default build installs a library with debug information"
fi
echo "libquillon.so.1: $(wc -c <"$prefix/lib64/libquillon.so.1") bytes, SONAME $soname"
sh "$src/tests/host/check_exports.sh" "$prefix/lib64/libquillon.so.1" "$src/src/api/exports.map"
sh "$src/tests/host/check_exports.sh" "$prefix/lib64/libquillon.a" "$src/src/api/exports.map"

step "pkg-config"
export PKG_CONFIG_PATH="$prefix/lib64/pkgconfig"
version=$(sed -n 's/^#define QUILLON_VERSION_STRING "\(.*\)"/\1/p' "$prefix/include/quillon.h")
[ "$(pkg-config --modversion quillon)" = "$version" ] || fail "quillon.pc gives version $(pkg-config --modversion quillon), quillon.h $version"
libdir=$(pkg-config --variable=libdir quillon)
[ "$(cd "$libdir" && pwd -P)" = "$(cd "$prefix/lib64" && pwd -P)" ] || fail "quillon.pc names libdir $libdir"
out=$work/pkg-config
mkdir -p "$out"
# shellcheck disable=SC2046
cc -std=c90 -Wall -Wextra -pedantic -Werror "$src/examples/deck.c" -o "$out/deck" \
  $(pkg-config --cflags --libs quillon) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
cc -std=c90 -Wall -Wextra -pedantic -Werror "$src/examples/deck_movie.c" -o "$out/deck-movie" \
  $(pkg-config --cflags --libs quillon) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
c++ -std=c++11 -Wall -Wextra -pedantic -Werror "$src/examples/slides.cpp" -o "$out/slides" \
  $(pkg-config --cflags --libs quillon) -Wl,-rpath,"$libdir"
# shellcheck disable=SC2046
cc -static -Wall -Wextra -Werror "$src/examples/deck.c" -o "$out/deck-static" \
  $(pkg-config --static --cflags --libs quillon)
readelf -d "$out/deck-static" | grep -q NEEDED && fail "deck-static needs shared libraries"
# and with plain compiler flags, as the README gives them
cc "$src/examples/deck.c" -o "$out/deck-flags" -I "$prefix/include" -L "$prefix/lib64" -lquillon \
  -Wl,-rpath,"$prefix/lib64"

step "find_package(quillon CONFIG)"
for kind in shared static; do
  flag=OFF
  [ "$kind" = static ] && flag=ON
  dir=$work/cmake-$kind
  # shellcheck disable=SC2086
  # CMake looks into PREFIX/lib64 where the platform uses lib64 (Fedora,
  # openSUSE), not on Debian: lib64-system.cmake makes this one such a system.
  cmake -S "$src/examples" -B "$dir" $hidden -DCMAKE_PREFIX_PATH="$prefix" -DQUILLON_EXAMPLES_STATIC=$flag \
    -DCMAKE_PROJECT_INCLUDE="$work/lib64-system.cmake" \
    >"$dir.log" 2>&1 || { cat "$dir.log"; fail "configure examples ($kind)"; }
  grep -qx "quillon_DIR:PATH=$prefix/lib64/cmake/quillon" "$dir/CMakeCache.txt" ||
    fail "find_package did not take the installed package: $(grep quillon_DIR "$dir/CMakeCache.txt")"
  cmake --build "$dir" -j2 >>"$dir.log" 2>&1 || { cat "$dir.log"; fail "build examples ($kind)"; }
done
for program in quillon-example-deck quillon-example-deck-movie quillon-example-slides; do
  readelf -d "$work/cmake-shared/$program" | grep -q 'NEEDED.*libquillon\.so\.1' ||
    fail "$program does not link libquillon.so.1"
  if readelf -d "$work/cmake-static/$program" | grep -q 'NEEDED.*libquillon'; then
    fail "the static $program links libquillon.so"
  fi
done

step "run the examples"
run() {  # run NAME PROGRAM: writes $work/movies/NAME.swf
  (cd "$work/movies" && env -u LD_LIBRARY_PATH "$2" "$work/movies/$1.swf") || fail "$2 failed"
}
run pkg-config-deck "$out/deck"
run pkg-config-deck-movie "$out/deck-movie"
run pkg-config-slides "$out/slides"
run pkg-config-deck-static "$out/deck-static"
run flags-deck "$out/deck-flags"
for kind in shared static; do
  run "cmake-$kind-deck" "$work/cmake-$kind/quillon-example-deck"
  run "cmake-$kind-deck-movie" "$work/cmake-$kind/quillon-example-deck-movie"
  run "cmake-$kind-slides" "$work/cmake-$kind/quillon-example-slides"
done
for movie in "$work"/movies/*-deck*.swf; do
  cmp -s "$movie" "$work/movies/pkg-config-deck.swf" || fail "$movie differs from pkg-config-deck.swf"
done

step "the installed quillon-demo, found from its own place"
# shellcheck disable=SC2016 # $ORIGIN is the run path's own word, not a variable
readelf -d "$prefix/bin/quillon-demo" | grep -q 'R.*PATH.*\[\$ORIGIN/\.\./lib64\]' ||
  fail "quillon-demo's run path: $(readelf -d "$prefix/bin/quillon-demo" | grep PATH)"
env -u LD_LIBRARY_PATH "$prefix/bin/quillon-demo" --quiet "$work/demo" || fail "the installed quillon-demo failed"
cp "$work/demo/demo.swf" "$work/movies/installed-demo.swf"

step "the strict reader"
"$check" "$work"/movies/*.swf
