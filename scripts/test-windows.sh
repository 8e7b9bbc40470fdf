#!/usr/bin/env bash
# Builds every layer below the browser as Windows programs, with MinGW-w64 against a Windows Qt
# made from Debian's sources (scripts/windows-qt.sh), and runs their tests under Wine: once in
# code page 1252 (a Western Windows), once in 936 (a Simplified Chinese one), in a virtual display.
# The browser's layers need Qt WebEngine, which MinGW cannot build; scripts/check-windows-sources.sh
# still compiles them as Windows code.
#
#   scripts/test-windows.sh [CTEST ARG...]
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD

# Inside the virtual display: the tests once in each code page.
if [ "${1:-}" = --inside ]; then
  shift
  run_in() { # locale, its code page, then ctest's arguments
    local locale=$1
    export KELVORA_CODE_PAGE=$2
    shift 2
    export LC_ALL=$locale WINEPREFIX=$KELVORA_WINE_HOME/prefix-$locale WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine's own services would hold CTest's output open after each test: a server that stays, and
    # a prefix made, before the tests, apart from their output.
    mkdir -p "$WINEPREFIX"
    setsid /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
    setsid /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
    local code=0
    ctest --preset windows -E '^(format|layers|desktop_files)$' "$@" || code=$?
    /usr/lib/wine/wineserver -k || true
    return $code
  }
  failed=0
  run_in en_US.UTF-8 1252 "$@" || failed=1
  run_in zh_CN.UTF-8 936 "$@" || failed=1
  exit $failed
fi

started=$SECONDS
KELVORA_WINDOWS_QT=$(scripts/windows-qt.sh)
export KELVORA_WINDOWS_QT
echo "== windows: the Windows Qt is there after $((SECONDS - started)) s"

scripts/install-packages.sh wine64 xvfb xauth locales

from=$SECONDS
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "== windows: built in $((SECONDS - from)) s"

# Wine takes the Windows code page from the locale: both are made in a folder of the run's own,
# so the machine's locales are left as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/locales"
localedef -i en_US -f UTF-8 "$work/locales/en_US.UTF-8" 2>/dev/null || true
localedef -i zh_CN -f UTF-8 "$work/locales/zh_CN.UTF-8" 2>/dev/null || true
export LOCPATH=$work/locales KELVORA_WINE_HOME=$work

from=$SECONDS
# Wine needs a display for windows, and its server must start inside it.
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
echo "== windows: tests in both code pages took $((SECONDS - from)) s"
