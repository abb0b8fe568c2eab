#!/bin/sh
# The export list is written once, in include/quillon.h; the export map, the
# DLL's module definition file and the hosts' table (quillon_api.h, from
# which the fuzzer's operations come) must name the same functions.
set -eu
root=$1
header=$(sed -n 's/^QUILLON_API void QUILLON_CALL \([A-Za-z]*\)(.*/\1/p' "$root/include/quillon.h" | sort)
status=0
compare() {  # NAME, then the names it lists
  if [ "$2" != "$header" ]; then
    echo "$1 differs from quillon.h:"
    printf '%s\n' "$2" | diff - /dev/fd/3 3<<EOF3 || true
$header
EOF3
    status=1
  fi
}
compare exports.map "$(sed -n '/global:/,/local:/p' "$root/src/api/exports.map" |
  tr ' ;' '\n' | grep -E '^[A-Z][A-Za-z]+$' | sort)"
compare quillon.def "$(sed -n '/^EXPORTS/,$p' "$root/src/api/quillon.def" | awk 'NR > 1 && NF {print $1}' | sort)"
compare quillon_api.h "$(sed -n 's/^ *X(\([A-Za-z]*\),.*/\1/p' "$root/tests/host/quillon_api.h" | sort)"
[ $status = 0 ] && echo "export lists: $(echo "$header" | wc -l) names in quillon.h, the map, the .def file and the hosts' table"
exit $status
