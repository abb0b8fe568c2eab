#!/bin/sh
# Every file, folder and code name that README.md and docs/design.md quote
# in backquotes exists: a path as written (from the top, or as the tail of a
# tracked path, since the notes quote paths inside the folder they speak of),
# a CamelCase or Class::Member name somewhere in the code. Commands, install
# places and placeholders (PREFIX, LIBDIR) are not paths of the tree.
set -eu
top=$1
cd "$top"
files=$(mktemp)
trap 'rm -f "$files"' EXIT
git ls-files >"$files" 2>/dev/null || find . -type f | sed 's|^\./||' >"$files"
for doc in README.md docs/design.md; do
  # shellcheck disable=SC2016 # the backquotes are the notes' own
  grep -o '`[^`]*`' "$doc" | tr -d '`' | sort -u | while IFS= read -r word; do
    case $word in
      # commands, absolute and install places, placeholders; ruffle/ is the
      # folder a viewer page gets beside it
      *' '* | /* | build* | lib/* | bin/* | share/* | include/ | ruffle/ | *PREFIX* | *LIBDIR* | *'$'* | *'='*) continue ;;
    esac
    path=${word%/}
    path=${path%'()'}
    if printf '%s' "$word" | grep -Eq '^[A-Za-z0-9_.*<>-]+(/[A-Za-z0-9_.*<>-]*)*$' &&
       printf '%s' "$word" | grep -Eq '/|\.(h|c|cpp|sh|js|mjs|cmake|def|map|apt|txt)$'; then
      case $path in *'<'* | *'*'*) continue ;; esac
      if [ -e "$path" ] || grep -Eq "(^|/)$path(/|$)" "$files"; then continue; fi
      echo "$doc: no such file or folder: $word"
      echo x >>"$files.bad"
    elif printf '%s' "$word" | grep -Eq '^([A-Z][a-z]+[A-Z][A-Za-z0-9]*|[A-Z][A-Za-z0-9]*::[A-Za-z0-9]+)(\(\))?$'; then
      name=${path##*::}
      if git grep -qw -- "$name" -- src include tools tests bench examples 2>/dev/null; then continue; fi
      echo "$doc: no such name in the code: $word"
      echo x >>"$files.bad"
    fi
  done
done
if [ -e "$files.bad" ]; then
  rm -f "$files.bad"
  exit 1
fi
echo "every path and name quoted in README.md and docs/design.md exists"
