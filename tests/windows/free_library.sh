#!/bin/sh
# FreeLibrary with a movie open: the host's --unload-open mode, then a look
# from outside at the directory it worked in.
# Usage: free_library.sh WINDOWS_BUILD_DIR PREFIX win32|win64 DIR
set -eu
win=$1 prefix=$2 arch=$3 dir=$4
# shellcheck source=tests/windows/wine_env.sh
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix" "$arch"
[ -s "$win/quillon-host.exe" ] || { echo "$win/quillon-host.exe not built" >&2; exit 1; }
rm -rf "$dir"
mkdir -p "$dir"
"$QUILLON_WINE" "$win/quillon-host.exe" --unload-open "$(quillon_wine_path "$dir")"
left=$(find "$dir" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | paste -sd' ')
if [ "$left" != "plain.swf threaded.swf" ]; then
  echo "expected only the two movies written after reloading, found: $left" >&2
  exit 1
fi
