#!/bin/sh
# Fails when a layer that must run with no window links Qt Widgets: the libraries each layer's link
# check needs, as the dynamic section names them.
#   tests/layer-links.sh FOLDER LAYER...
set -eu
folder=$1
shift
wrong=0
for layer in "$@"; do
  library="$folder/libkelvora_${layer}_linkcheck.so"
  if [ ! -f "$library" ]; then
    echo "$layer: no $library"
    wrong=1
    continue
  fi
  if readelf -d "$library" | grep NEEDED | grep -E 'libQt6(WebEngine)?Widgets'; then
    echo "$layer links Qt Widgets"
    wrong=1
  fi
done
[ "$wrong" -eq 0 ] && echo "no widgets in: $*"
exit "$wrong"
