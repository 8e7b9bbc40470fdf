#!/usr/bin/env bash
# Runs one Windows program of the build under Wine, with the Windows Qt's DLLs and plugins and
# MinGW's runtime DLLs found, and Qt's messages on stderr: CTest's emulator for the Windows build
# (see scripts/test-windows.sh, which sets KELVORA_WINDOWS_QT and the Wine prefix).
#
# Wine hands the Windows side no Unix QT_* variable: they are given as WINEQT_*. QtTest writes to
# the debugger channel when no console is attached, and then prints nothing and exits 0 on a
# failure: QT_FORCE_STDERR_LOGGING keeps its output, and its exit code, where CTest sees them.
set -euo pipefail
qt=${KELVORA_WINDOWS_QT:?the Windows Qt folder (scripts/windows-qt.sh)}
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
# A Unix path as Windows programs under Wine see it: the root is drive Z:.
windows_path() { realpath -m "$1" | sed 's|^|Z:|; s|/|\\|g'; }
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$gcc_dlls");$(windows_path "$pthread_dlls")"
export WINEQT_FORCE_STDERR_LOGGING=1
export WINEQT_PLUGIN_PATH=$(windows_path "$qt/plugins")
export WINEQT_QPA_PLATFORM=${KELVORA_WINDOWS_QPA:-windows}
export WINEDEBUG=${WINEDEBUG:--all}
code=0
"${KELVORA_WINE:-/usr/lib/wine/wine64}" "$@" || code=$?
# A program Wine could not start says nothing of its own: at least the code shows.
[ "$code" -eq 0 ] || echo "wine-run: $(basename "$1") ended with exit code $code" >&2
exit "$code"
