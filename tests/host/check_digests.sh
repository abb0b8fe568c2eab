#!/bin/sh
# check_digests.sh HOST DIGESTS WORKDIR: writes every host scenario's movie
# through HOST (the two-movies scenario's first movie, which it writes into
# the data folder, included) and the --scenes output, and compares the SHA-256
# of each with the list DIGESTS. The list is the movies' bytes pinned: a change
# that is meant to alter a movie writes the new list (WORKDIR/digests.txt,
# printed on a mismatch) into DIGESTS in the same commit.
set -eu
LC_ALL=C  # names in byte order
export LC_ALL
host=$1 digests=$2 work=$3
rm -rf "$work"
mkdir -p "$work/movies" "$work/data"
for s in $("$host" --list); do
  if ! "$host" "$s" "$work/movies/$s.swf" "$work/data" >/dev/null; then
    echo "scenario $s failed"
    exit 1
  fi
done
for f in "$work"/data/*.swf; do
  if [ -e "$f" ]; then cp "$f" "$work/movies/"; fi
done
"$host" --scenes >"$work/movies/scenes.txt"

# One line a file: its name and its digest, in name order.
(
  cd "$work/movies"
  for f in *; do
    printf '%s %s\n' "$f" "$(sha256sum <"$f" | cut -d' ' -f1)"
  done
) >"$work/digests.txt"
if ! grep -v '^#' "$digests" | diff -u - "$work/digests.txt"; then
  echo "movies differ from $digests (- pinned, + written now);"
  echo "if the change is meant, copy $work/digests.txt's lines into it"
  exit 1
fi
echo "$(wc -l <"$work/digests.txt") files as pinned"
