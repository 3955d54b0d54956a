#!/bin/sh
# Remakes the example recorder files with cd11gen.
# Usage: examples/make-examples.sh [path/to/cd11gen]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
gen=${1:-$here/../build/tools/cd11gen/cd11gen}
if [ ! -x "$gen" ]; then
    echo "make-examples.sh: cd11gen not found at $gen (build it first)" >&2
    exit 1
fi

# A short 3-channel event recording: 30 s at 100 samples/s, compressed,
# first trigger on channel 1 ten seconds in.
"$gen" -c TALV1:BHZ:00:0 -c TALV1:BHN:00:0 -c TALV1:BHE:00:0 \
    -r 100 -l 1000 -n 30 -t "2006265 10:20:30.750" -s walk -A 40 -S 7 \
    -e evt -T 1:1158920440.750 -C 48 -g 46.52310,7.46120,541.0 \
    -k 12 -b 2.5e-6 -x TALV1 "$here/event3.cd11"

# Two BHZ channels at the locations 00 and 10 (the location split) and a BHN.
"$gen" -c TALV2:BHZ:00:0 -c TALV2:BHZ:10:0 -c TALV2:BHN:00:0:p \
    -r 100 -l 1000 -n 20 -t "2006265 10:20:30.750" -s sine -A 5000 \
    -e con -C 48 -g 46.52310,7.46120,541.0 -b 1.0e-6 -x TALV2 "$here/twoloc.cd11"
