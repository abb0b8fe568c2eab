#!/bin/sh
# Runs one host scenario under valgrind's memcheck. Any memory error, or a
# definitely or indirectly lost block at exit, makes valgrind exit with 99;
# the scenario must also succeed and leave its movie behind.
# Usage: run_memcheck.sh HOST SCENARIO OUT_DIR
set -eu
host=$1 scenario=$2 out=$3
command -v valgrind >/dev/null || { echo "valgrind is missing: run scripts/install-deps"; exit 1; }
rm -rf "$out"
mkdir -p "$out"
status=0
valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
  --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
  --track-origins=yes --log-file="$out/memcheck.log" \
  "$host" "$scenario" "$out/$scenario.swf" "$out" || status=$?
if [ "$status" -ne 0 ]; then
  cat "$out/memcheck.log"
  echo "memcheck $scenario: exit status $status"
  exit 1
fi
[ -s "$out/$scenario.swf" ] || { echo "memcheck $scenario: no movie written"; exit 1; }
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|All heap blocks' "$out/memcheck.log" | sed 's/^==[0-9]*== //'
