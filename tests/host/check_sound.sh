#!/bin/sh
# Runs the "sound" host scenario and checks that its movie carries the sound:
# SoundStreamHead (22 kHz 16-bit mono, 22050 samples), then DefineSound of
# character 3 (after the slide's bitmap and shape) with 13795 bytes of ADPCM,
# the code size 3 first, then StartSound of character 3, the Stop action, ShowFrame and End.
set -eu
host=$1 out=$2 data=$3
mkdir -p "$data"
"$host" sound "$out" "$data"
hex=$(od -An -v -tx1 "$out" | tr -d ' \n')
want="84040a122256bf03ea35000003001a22560000c0"
case "$hex" in
  *"$want"*) ;;
  *) echo "no SoundStreamHead + DefineSound $want in $out"; exit 1 ;;
esac
case "$hex" in
  *c3030300100203070040000000) ;;
  *) echo "the movie does not end with StartSound 3, Stop, ShowFrame, End"; exit 1 ;;
esac
echo "sound scenario: $(wc -c <"$out") bytes, sound tags as expected"
