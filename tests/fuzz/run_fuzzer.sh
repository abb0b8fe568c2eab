#!/bin/sh
# Runs one fuzz target for a bounded time: writes its seed corpus first (when
# the target has a seed program), then fuzzes; any crash, hang, leak or
# sanitizer report makes libFuzzer exit non-zero and the test fail. The
# failing input is kept under BUILD_DIR/artifacts/NAME/.
# Usage: run_fuzzer.sh BUILD_DIR NAME SECONDS
set -eu
tree=$1 name=$2 seconds=$3
fuzzer=$tree/${name}_fuzz
[ -x "$fuzzer" ] || { echo "$fuzzer was not built (fuzz.build)"; exit 1; }
seeds=$tree/corpus/$name/seeds
found=$tree/corpus/$name/found
artifacts=$tree/artifacts/$name
rm -rf "$seeds" "$found"
mkdir -p "$seeds" "$found" "$artifacts"
if [ -x "$tree/${name}_seeds" ]; then
  "$tree/${name}_seeds" "$seeds"
fi
echo "fuzz $name: $(find "$seeds" -type f | wc -l) seed files, $seconds s"
# -timeout: one input running 10 s counts as a hang. Leak checking is on.
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$found" "$seeds" 2>"$tree/$name.log" || {
  status=$?
  tail -n 60 "$tree/$name.log"
  exit $status
}
grep -E '^(Done|stat::)|INITED|cov:' "$tree/$name.log" | tail -n 12
