#!/bin/sh
# Ends the Wine server of PREFIX, which lingers after its last program.
# Usage: wine_shutdown.sh PREFIX win32|win64
set -eu
prefix=$1 arch=$2
# shellcheck source=tests/windows/wine_env.sh
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix" "$arch"
[ -d "$prefix" ] || { echo "no prefix $prefix: nothing to end"; exit 0; }
wineserver -k 2>/dev/null || true
wineserver -w
