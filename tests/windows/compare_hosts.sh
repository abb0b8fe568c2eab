#!/bin/sh
# Runs every host scenario with the Linux host and with a Windows host under
# Wine, each scenario with a data dir of its own, and compares the movies byte
# for byte.
# Usage: compare_hosts.sh loaded|linked LINUX_HOST WINDOWS_BUILD_DIR PREFIX OUT_DIR
#   loaded: quillon-host.exe, which loads quillon.dll afresh for each scenario
#   linked: quillon-host-linked.exe, linked with the import library, one
#           process per scenario
set -eu
mode=$1 linux=$2 win=$3 prefix=$4 out=$5
. "$(dirname "$0")/wine_env.sh"
quillon_wine_env "$prefix"
case "$mode" in
  loaded) exe=$win/quillon-host.exe ;;
  linked) exe=$win/quillon-host-linked.exe ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
[ -x "$linux" ] || { echo "$linux not built" >&2; exit 1; }
[ -s "$exe" ] || { echo "$exe not built" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/linux" "$out/linux-data" "$out/windows" "$out/windows-data"
"$linux" --list >"$out/linux.list"
wine "$exe" --list | tr -d '\r' >"$out/windows.list"
if ! cmp -s "$out/linux.list" "$out/windows.list"; then
  echo "the hosts list different scenarios:" >&2
  diff "$out/linux.list" "$out/windows.list" >&2 || true
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
  wine "$exe" --all "$(quillon_wine_path "$out/windows")" "$(quillon_wine_path "$out/windows-data")" \
    2>"$out/windows.err" || { echo "windows: a scenario failed" >&2; failed=1; }
  quillon_wine_report "$out/windows.err" "the host"
else
  while read -r s; do
    mkdir -p "$out/windows-data/$s"
    wine "$exe" "$s" "$(quillon_wine_path "$out/windows/$s.swf")" \
      "$(quillon_wine_path "$out/windows-data/$s")" 2>"$out/windows-$s.err" ||
      { echo "windows: $s failed" >&2; failed=1; }
    quillon_wine_report "$out/windows-$s.err" "$s"
  done <"$out/linux.list"
fi

same=0
while read -r s; do
  a=$out/linux/$s.swf b=$out/windows/$s.swf
  if [ ! -s "$a" ] || [ ! -s "$b" ]; then
    echo "$s: missing movie (linux $(wc -c <"$a" 2>/dev/null || echo none), windows $(wc -c <"$b" 2>/dev/null || echo none))" >&2
    failed=1
  elif cmp -s "$a" "$b"; then
    same=$((same + 1))
  else
    echo "$s: the movies differ ($(wc -c <"$a") and $(wc -c <"$b") bytes); offset, Linux byte, Windows byte:" >&2
    cmp -l "$a" "$b" 2>/dev/null | head -5 | while read -r at x y; do
      printf '  %d  %02x  %02x\n' "$((at - 1))" "0$x" "0$y" >&2   # cmp prints octal
    done
    failed=1
  fi
done <"$out/linux.list"
echo "$mode host: $same of $count scenarios wrote the same bytes on Linux and Windows"
[ "$failed" -eq 0 ] && [ "$same" -eq "$count" ]
