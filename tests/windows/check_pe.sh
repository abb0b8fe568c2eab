#!/bin/sh
# Reads the headers of a Windows binary with objdump -p.
#   check_pe.sh exports DLL HEADER   the export table holds exactly the
#                                    functions that HEADER declares, 27 of
#                                    them, and those of quillon_movie.h
#                                    beside it, under their plain names
#   check_pe.sh imports BINARY...    each imports only system DLLs (no
#                                    compiler runtime, no zlib1.dll)
set -eu
mode=$1; shift
objdump_for() {
  case "$(od -An -v -tx1 -j "$(($(od -An -tu4 -j 60 -N 4 "$1") + 4))" -N 2 "$1" | tr -d ' ')" in
    4c01) echo i686-w64-mingw32-objdump ;;
    6486) echo x86_64-w64-mingw32-objdump ;;
    *) echo "$1: not an i386 or x86-64 PE file" >&2; exit 1 ;;
  esac
}
need() {
  command -v "$1" >/dev/null 2>&1 || {
    echo "$1 not found: run scripts/install-deps (binutils of scripts/deps/windows.apt)" >&2
    exit 1
  }
}

case "$mode" in
exports)
  dll=$1 header=$2
  tool=$(objdump_for "$dll"); need "$tool"
  classic=$(sed -n 's/^QUILLON_API void QUILLON_CALL \([A-Za-z]*\)(.*/\1/p' "$header")
  handle=$(sed -n 's/^QUILLON_API .*QUILLON_CALL \(quillon_movie_[a-z_]*\)(.*/\1/p' "$(dirname "$header")/quillon_movie.h")
  want=$(printf '%s\n%s\n' "$classic" "$handle" | grep . | sort)
  # The name table: lines "[   n] Name" after "[Ordinal/Name Pointer] Table".
  have=$("$tool" -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
  nwant=$(printf '%s\n' "$classic" | grep -c .) || true
  nhave=$(printf '%s\n' "$have" | grep -c .) || true
  echo "export table of $dll ($nhave names):"
  printf '%s\n' "$have" | paste -sd' ' | fold -s -w 100 | sed 's/^/  /'
  if [ "$nwant" -ne 27 ]; then
    echo "$header declares $nwant functions, expected 27" >&2; exit 1
  fi
  if [ "$want" != "$have" ]; then
    echo "export table differs from $header (< declared only, > exported only):" >&2
    printf '%s\n' "$want" >"$dll.want"; printf '%s\n' "$have" >"$dll.have"
    diff "$dll.want" "$dll.have" | grep '^[<>]' >&2 || true
    exit 1
  fi
  ;;
imports)
  failed=0
  for bin in "$@"; do
    tool=$(objdump_for "$bin"); need "$tool"
    dlls=$("$tool" -p "$bin" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
    [ -n "$dlls" ] || { echo "$bin: no imports found" >&2; failed=1; continue; }
    echo "$bin imports: $(printf '%s\n' "$dlls" | paste -sd' ')"
    for d in $dlls; do
      case "$(printf %s "$d" | tr '[:upper:]' '[:lower:]')" in
        kernel32.dll|msvcrt.dll) ;;
        quillon.dll) [ "$(basename "$bin")" != quillon.dll ] ||
          { echo "$bin imports itself" >&2; failed=1; } ;;
        *) echo "$bin needs $d, which Windows does not ship" >&2; failed=1 ;;
      esac
    done
  done
  exit $failed
  ;;
*)
  echo "usage: check_pe.sh exports DLL HEADER | imports BINARY..." >&2; exit 2 ;;
esac
