#!/bin/sh
# Configures the project with OPTION on and PACKAGE made invisible, and
# expects the configure step to stop with one error that names the package's
# option.
# Usage: check_missing.sh SOURCE_DIR BUILD_DIR OPTION PACKAGE [cmake args...]
set -eu
src=$1 dir=$2 option=$3 package=$4
shift 4
rm -rf "$dir"
if cmake -S "$src" -B "$dir" -D"$option"=ON -DCMAKE_DISABLE_FIND_PACKAGE_"$package"=ON "$@" \
     >"$dir.log" 2>&1; then
  echo "the configure step succeeded without $package"
  exit 1
fi
errors=$(grep -c 'CMake Error' "$dir.log") || true
if [ "$errors" -ne 1 ] || ! grep -q -- "-D$option=OFF" "$dir.log"; then
  echo "expected one error naming -D$option=OFF; the configure step said:"
  cat "$dir.log"
  exit 1
fi
sed -n '/CMake Error/,/^$/p' "$dir.log" | sed -n '2,4p'
rm -rf "$dir" "$dir.log"
