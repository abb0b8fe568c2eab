#!/usr/bin/env bash
# The Ruffle player files that the tools copy beside a movie's viewer page:
# npm ci of tools/viewer (its committed package-lock.json). Idempotent: does
# nothing once the locked version is installed.
set -euo pipefail
cd "$(dirname "$0")/../../tools/viewer"

if ! command -v npm >/dev/null; then
  echo "70-tools.sh: npm is missing; installing it"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm
fi

locked=$(node -p 'require("./package-lock.json").packages["node_modules/@ruffle-rs/ruffle"].version')
installed=$(node -p 'try { require("./node_modules/@ruffle-rs/ruffle/package.json").version } catch (e) { "" }')
if [ "$locked" = "$installed" ] && [ -f node_modules/@ruffle-rs/ruffle/ruffle.js ]; then
  exit 0
fi
echo "70-tools.sh: installing the Ruffle player $locked into tools/viewer"
npm ci --no-audit --no-fund --loglevel=error
