#!/bin/sh
# The export list is written once, in include/quillon.h and
# include/quillon_movie.h; the export map and the DLL's module definition
# file must name the same functions, the hosts' table (quillon_api.h, from
# which the fuzzer's operations come) those of quillon.h.
set -eu
root=$1
classic=$(sed -n 's/^QUILLON_API void QUILLON_CALL \([A-Za-z]*\)(.*/\1/p' "$root/include/quillon.h" | sort)
handle=$(sed -n 's/^QUILLON_API .*QUILLON_CALL \(quillon_movie_[a-z_]*\)(.*/\1/p' "$root/include/quillon_movie.h")
header=$(printf '%s\n%s\n' "$classic" "$handle" | grep . | sort)
status=0
compare() {  # NAME, the names it lists, the names of the headers
  if [ "$2" != "$3" ]; then
    echo "$1 differs from the headers:"
    printf '%s\n' "$2" | diff - /dev/fd/3 3<<EOF3 || true
$3
EOF3
    status=1
  fi
}
compare exports.map "$(sed -n '/global:/,/local:/p' "$root/src/api/exports.map" |
  tr ' ;' '\n' | grep -E '^[A-Za-z_]+$' | sort)" "$header"
compare quillon.def "$(sed -n '/^EXPORTS/,$p' "$root/src/api/quillon.def" | awk 'NR > 1 && NF {print $1}' | sort)" "$header"
compare quillon_api.h "$(sed -n 's/^ *X(\([A-Za-z]*\),.*/\1/p' "$root/tests/host/quillon_api.h" | sort)" "$classic"
[ "$(echo "$classic" | wc -l)" -eq 27 ] || { echo "quillon.h declares $(echo "$classic" | wc -l) functions, expected 27"; status=1; }
[ -n "$handle" ] || { echo "quillon_movie.h declares no function"; status=1; }
[ $status = 0 ] && echo "export lists: $(echo "$header" | wc -l) names in the headers, the map and the .def file, the 27 of quillon.h in the hosts' table"
exit $status
