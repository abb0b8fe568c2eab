#!/bin/sh
# Compares the dynamic symbols that a shared library defines with the names of
# the export map: every name present, nothing else of the library's own. Given
# a static library (.a), compares its global symbols the same way, leaving out
# only those of the quillon namespace.
set -eu
lib=$1 map=$2
want=$(sed -n '/global:/,/local:/p' "$map" | tr ' ;' '\n' | grep -E '^[A-Za-z_]+$' | sort)
case "$lib" in
  *.a) have=$(nm -g --defined-only "$lib" | awk 'NF == 3 {print $3}' |
              while read -r s; do
                case "$(echo "$s" | c++filt)" in
                  quillon::*|*" quillon::"*) ;;
                  *) echo "$s" ;;
                esac
              done | sort) ;;
  *) have=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^$' | sort) ;;
esac
if [ "$want" = "$have" ]; then
  echo "exports: $(echo "$want" | wc -l) names, as listed"
  exit 0
fi
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
printf '%s\n' "$want" >"$lists/want"
printf '%s\n' "$have" >"$lists/have"
echo "missing from $lib:"; comm -23 "$lists/want" "$lists/have"
echo "unexpected in $lib:"; comm -13 "$lists/want" "$lists/have"
exit 1
