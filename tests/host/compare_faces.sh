#!/bin/sh
# compare_faces.sh HOST DIR: runs every host scenario through the classic
# exports and through the handle face and compares the movies byte for byte.
set -eu
host=$1
dir=$2
rm -rf "$dir"
mkdir -p "$dir/classic" "$dir/handle" "$dir/classic-data" "$dir/handle-data"
failed=0
count=0
for s in $("$host" --list); do
    "$host" "$s" "$dir/classic/$s.swf" "$dir/classic-data" >/dev/null
    "$host" --handle "$s" "$dir/handle/$s.swf" "$dir/handle-data" >/dev/null
    count=$((count + 1))
    if ! cmp -s "$dir/classic/$s.swf" "$dir/handle/$s.swf"; then
        echo "scenario $s: the handle face wrote other bytes" >&2
        failed=1
    fi
done
# The two-movies scenario writes its first movie into the data folder.
for f in "$dir"/classic-data/*.swf; do
    [ -e "$f" ] || continue
    cmp -s "$f" "$dir/handle-data/${f##*/}" || { echo "${f##*/}: the handle face wrote other bytes" >&2; failed=1; }
done
[ "$count" -gt 0 ] || { echo "no scenario ran" >&2; exit 1; }
echo "$count scenarios compared"
exit $failed
