#!/usr/bin/env bash
# Checks the desktop entry and the AppStream metainfo with their validators.
# Exits 77, which CTest reports as skipped, when a validator is not installed.
set -euo pipefail
folder=$1
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: skipped" >&2; exit 77; }
done
desktop-file-validate "$folder/kelvora.desktop"
appstreamcli validate --no-net "$folder/io.github.kelvora.Kelvora.metainfo.xml"
