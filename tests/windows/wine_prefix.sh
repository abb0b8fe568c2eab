#!/bin/sh
# Creates the Wine prefix PREFIX for win32 or win64 once, headless, and keeps
# it: a prefix that finished its first boot is reused as it is.
# Usage: wine_prefix.sh PREFIX win32|win64
set -eu
prefix=$1 arch=$2
# shellcheck source=tests/windows/wine_env.sh
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix" "$arch"
if [ -e "$prefix/.quillon-ready" ] && [ -e "$prefix/system.reg" ]; then
  echo "reusing the $arch prefix $prefix"
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
start=$(date +%s)
# A 64-bit prefix also wants its 32-bit half (syswow64): where the kernel
# runs no 32-bit program, wineboot says it could not start rundll32 there
# and the 64-bit prefix is complete all the same.
WINEARCH=$arch "$QUILLON_WINE" wineboot --init
wineserver -w
[ -e "$prefix/system.reg" ] || { echo "wineboot did not create $prefix" >&2; exit 1; }
made=win32
[ ! -d "$prefix/drive_c/windows/syswow64" ] || made=win64
[ "$made" = "$arch" ] || { echo "$prefix is a $made prefix, not $arch" >&2; exit 1; }
touch "$prefix/.quillon-ready"
echo "created the $arch prefix $prefix in $(($(date +%s) - start)) s"
