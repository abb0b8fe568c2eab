#!/bin/sh
# Runs every host scenario with the Linux host and with another build of the
# same scenarios, each scenario with a data dir of its own, and compares the
# movies byte for byte.
# Usage: compare_hosts.sh MODE LINUX_HOST OTHER_HOST OUT_DIR [PREFIX win32|win64]
#   loaded: OTHER_HOST is quillon-host.exe, which loads quillon.dll afresh for
#           each scenario, run under Wine on PREFIX
#   linked: OTHER_HOST is quillon-host-linked.exe, linked with the import
#           library, one process per scenario under Wine on PREFIX
#   qemu:   OTHER_HOST is the static 32-bit Linux host, one process per
#           scenario under qemu-i386
set -eu
mode=$1 linux=$2 exe=$3 out=$4
here=$(dirname "$0")
case "$mode" in
  loaded|linked)
    # shellcheck source=tests/windows/wine_env.sh
    . "$here/wine_env.sh"
    quillon_wine_env "$5" "$6"
    run() { "$QUILLON_WINE" "$@"; }
    other_path() { quillon_wine_path "$1"; } ;;
  qemu)
    command -v qemu-i386 >/dev/null 2>&1 ||
      { echo "qemu-i386 not found: run scripts/install-deps (qemu-user in scripts/deps/i386.apt)" >&2; exit 1; }
    run() { qemu-i386 "$@"; }
    other_path() { printf '%s' "$1"; } ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
[ -x "$linux" ] || { echo "$linux not built" >&2; exit 1; }
[ -s "$exe" ] || { echo "$exe not built" >&2; exit 1; }

# Shows what the other host wrote to stderr (file $1, program $2). Its own
# failures show in its exit status; under Wine a message about another of
# Wine's processes (its services start with the first program) is shown, not
# judged.
report() {
  [ -s "$1" ] || return 0
  echo "$2 wrote to stderr:" >&2
  sed 's/^/  /' "$1" >&2
}

rm -rf "$out"
mkdir -p "$out/linux" "$out/linux-data" "$out/other" "$out/other-data"
"$linux" --list >"$out/linux.list"
run "$exe" --list | tr -d '\r' >"$out/other.list"
if ! cmp -s "$out/linux.list" "$out/other.list"; then
  echo "the hosts list different scenarios:" >&2
  diff "$out/linux.list" "$out/other.list" >&2 || true
  exit 1
fi
count=$(grep -c . "$out/linux.list") || true
[ "$count" -gt 0 ] || { echo "no scenarios" >&2; exit 1; }

failed=0
while read -r s; do
  mkdir -p "$out/linux-data/$s"
  "$linux" "$s" "$out/linux/$s.swf" "$out/linux-data/$s" || { echo "linux: $s failed" >&2; failed=1; }
done <"$out/linux.list"

if [ "$mode" = loaded ]; then
  run "$exe" --all "$(other_path "$out/other")" "$(other_path "$out/other-data")" \
    2>"$out/other.err" || { echo "$mode: a scenario failed" >&2; failed=1; }
  report "$out/other.err" "the host"
else
  while read -r s; do
    mkdir -p "$out/other-data/$s"
    run "$exe" "$s" "$(other_path "$out/other/$s.swf")" "$(other_path "$out/other-data/$s")" \
      2>"$out/other-$s.err" </dev/null || { echo "$mode: $s failed" >&2; failed=1; }
    report "$out/other-$s.err" "$s"
  done <"$out/linux.list"
fi

same=0
while read -r s; do
  a=$out/linux/$s.swf b=$out/other/$s.swf
  if [ ! -s "$a" ] || [ ! -s "$b" ]; then
    echo "$s: missing movie (linux $(wc -c <"$a" 2>/dev/null || echo none), $mode $(wc -c <"$b" 2>/dev/null || echo none))" >&2
    failed=1
  elif cmp -s "$a" "$b"; then
    same=$((same + 1))
  else
    echo "$s: the movies differ ($(wc -c <"$a") and $(wc -c <"$b") bytes); offset, Linux byte, $mode byte:" >&2
    cmp -l "$a" "$b" 2>/dev/null | head -5 | while read -r at x y; do
      printf '  %d  %02x  %02x\n' "$((at - 1))" "0$x" "0$y" >&2   # cmp prints octal
    done
    failed=1
  fi
done <"$out/linux.list"
echo "$mode host: $same of $count scenarios wrote the same bytes as the 64-bit Linux build"
[ "$failed" -eq 0 ] && [ "$same" -eq "$count" ]
