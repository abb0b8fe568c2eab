#!/bin/sh
# Runs a host scenario and compares the movie it writes with the expected
# bytes, given as one hex string.
set -eu
host=$1 scenario=$2 out=$3 want=$4
"$host" "$scenario" "$out"
have=$(od -An -v -tx1 "$out" | tr -d ' \n')
if [ "$have" != "$want" ]; then
  echo "scenario $scenario wrote $have"
  echo "expected              $want"
  exit 1
fi
echo "scenario $scenario: $(($(printf %s "$have" | wc -c) / 2)) bytes as expected"
