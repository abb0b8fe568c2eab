#!/bin/sh
# Runs shellcheck over every shell script of the project's tests and scripts: the
# files ending in .sh and those whose first line starts a shell. A warning
# that does not apply is silenced in the script itself, with the reason.
# Usage: shellcheck.sh SOURCE_DIR
set -eu
cd "$1"
command -v shellcheck >/dev/null 2>&1 ||
  { echo "shellcheck not found: run scripts/install-deps (scripts/deps/core.apt)" >&2; exit 1; }
list=$(mktemp)
trap 'rm -f "$list"' EXIT
find tests scripts .ci -name node_modules -prune -o -type f -print | sort | while read -r f; do
  case "$f" in
    *.sh) echo "$f" ;;
    *) head -n 1 "$f" | grep -Eq '^#!.*(/|env )(ba)?sh( |$)' && echo "$f" ;;
  esac
done >"$list" || true
count=$(grep -c . "$list") || true
[ "$count" -gt 0 ] || { echo "no shell scripts found under $1" >&2; exit 1; }
# Scripts that source a helper name it by a path shellcheck cannot follow
# from here; -x lets it read the ones it can.
tr '\n' '\0' <"$list" | xargs -0 shellcheck -x
echo "shellcheck: $count scripts, no findings"
