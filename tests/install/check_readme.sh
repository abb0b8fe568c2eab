#!/bin/sh
# The README's C example under "Use from C/C++" is examples/deck.c, which
# install.examples compiles and runs, word for word.
set -eu
src=$1
# shellcheck disable=SC2016 # the backquotes and $ are sed's: a Markdown fence, the end of input
sed -n '/^## Use from C\/C++/,/^## [^U]/p' "$src/README.md" | sed -n '/^```c$/,/^```$/p' | sed '1d;$d' \
  >"${TMPDIR:-/tmp}/quillon-readme-deck.$$"
if diff -u "$src/examples/deck.c" "${TMPDIR:-/tmp}/quillon-readme-deck.$$"; then
  echo "README shows examples/deck.c ($(wc -l <"$src/examples/deck.c") lines)"
  rm -f "${TMPDIR:-/tmp}/quillon-readme-deck.$$"
  exit 0
fi
rm -f "${TMPDIR:-/tmp}/quillon-readme-deck.$$"
echo "the README's C example differs from examples/deck.c (above)"
exit 1
