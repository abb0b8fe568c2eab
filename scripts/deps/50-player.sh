#!/usr/bin/env bash
# Installs the real-player tests' npm packages (Ruffle and playwright-core)
# from tests/player/package-lock.json, unless exactly those are installed.
set -euo pipefail
cd "$(dirname "$0")/../../tests/player"

if ! command -v npm >/dev/null; then
  echo "50-player: npm is missing; installing it"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm
fi

# npm ci leaves a copy of the lock file in node_modules; when it matches, the
# tree is what the lock file asks for.
if [ -f node_modules/.package-lock.json ] &&
   node -e '
     const a = require("./package-lock.json").packages, b = require("./node_modules/.package-lock.json").packages;
     const keys = Object.keys(a).filter((k) => k);
     process.exit(keys.every((k) => b[k] && b[k].version === a[k].version && b[k].integrity === a[k].integrity) ? 0 : 1);
   '; then
  exit 0
fi
echo "50-player: npm ci in tests/player"
npm ci --no-audit --no-fund --loglevel=error
