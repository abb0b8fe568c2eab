#!/bin/sh
# Creates the Wine prefix PREFIX for win32 or win64 once, headless, and keeps
# it: a prefix that finished its first boot is reused as it is.
# Usage: wine_prefix.sh PREFIX win32|win64
set -eu
prefix=$1 arch=$2
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix"
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "usage: wine_prefix.sh PREFIX win32|win64" >&2; exit 2 ;;
esac
if [ ! -x "$loader" ]; then
  echo "$loader not found: run scripts/install-deps (wine32:i386 and wine64)" >&2
  exit 1
fi
if [ -e "$prefix/.quillon-ready" ] && [ -e "$prefix/system.reg" ]; then
  echo "reusing the $arch prefix $prefix"
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
start=$(date +%s)
WINEARCH=$arch wineboot --init
wineserver -w
[ -e "$prefix/system.reg" ] || { echo "wineboot did not create $prefix" >&2; exit 1; }
if [ "$arch" = win32 ] && [ -d "$prefix/drive_c/windows/syswow64" ]; then
  echo "$prefix is not a 32-bit prefix" >&2; exit 1
fi
touch "$prefix/.quillon-ready"
echo "created the $arch prefix $prefix in $(($(date +%s) - start)) s"
