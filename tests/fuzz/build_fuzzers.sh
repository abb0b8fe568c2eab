#!/bin/sh
# Configures and builds the fuzz targets with clang (libFuzzer, address and
# undefined-behaviour sanitizers) into their own build tree.
# Usage: build_fuzzers.sh PROJECT_DIR BUILD_DIR QUILLON_ROOT
set -eu
project=$1 tree=$2 root=$3
for tool in clang clang++; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps"; exit 1; }
done
cmake -S "$project" -B "$tree" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_ROOT="$root" >/dev/null
cmake --build "$tree" -j2
