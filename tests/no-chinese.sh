#!/bin/sh
# Fails when a source of the given folders holds Chinese text: what the user reads comes from the
# words layer, and the layers below it return values.
#   tests/no-chinese.sh FOLDER...
set -u
if LC_ALL=C.UTF-8 grep -rnP '[\x{3000}-\x{303f}\x{3400}-\x{9fff}\x{ff00}-\x{ffef}]' "$@"; then
  echo "Chinese text above: it belongs in src/words"
  exit 1
fi
echo "no Chinese text in: $*"
