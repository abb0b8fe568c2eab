#!/usr/bin/env bash
# 32-bit Wine for the i686 DLL tests: wine32 is an i386 package, so the i386
# architecture has to be known to dpkg and apt before it can be installed.
# Idempotent: does nothing once wine32:i386 is installed.
set -euo pipefail

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

if installed wine32:i386; then
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "60-windows.sh: adding the i386 architecture"
  dpkg --add-architecture i386
fi

echo "60-windows.sh: installing wine32:i386"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends wine32:i386
