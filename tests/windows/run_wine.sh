#!/bin/sh
# Runs a Windows program under Wine on PREFIX with the loader of its
# architecture; its exit status is the program's.
# Usage: run_wine.sh PREFIX win32|win64 PROGRAM [ARG...]
set -eu
prefix=$1 arch=$2; shift 2
# shellcheck source=tests/windows/wine_env.sh
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix" "$arch"
exec "$QUILLON_WINE" "$@"
