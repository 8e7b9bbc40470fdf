#!/usr/bin/env bash
# Compiles every source file of the program as Windows code, syntax only, with Debian's MinGW-w64
# cross compiler against this machine's Qt headers: each src/platform/*_win.cpp stands in for its
# *_unix.cpp, as CMake picks them on Windows. The same warnings as the build, as errors, so that a
# fault in code only Windows builds (or in a header it reads differently) fails here, not there.
#
#   scripts/check-windows-sources.sh          # every file under src/
#   scripts/check-windows-sources.sh FILE...  # only these
#
# Nothing is linked or run: Qt's headers are the Linux build's, which is enough for the compiler to
# see the Windows side of our code (Q_OS_WIN, <windows.h>) and of Qt's headers.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
scripts/install-packages.sh g++-mingw-w64-x86-64-posix
cxx=x86_64-w64-mingw32-g++-posix

qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
flags=(-std=c++20 -fsyntax-only -Isrc -isystem "$qt")
for module in Core Gui Widgets Network HttpServer Concurrent Quick Qml QmlModels OpenGL WebEngineCore WebEngineWidgets WebChannel Positioning Sql; do
  [ -d "$qt/Qt$module" ] && flags+=(-isystem "$qt/Qt$module")
done
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
# QtKeychain's headers sit beside the system's in /usr/include, which a Windows compiler must not read:
# they are given from a folder of their own.
if [ -d /usr/include/qt6keychain ]; then
  mkdir "$log/include"
  ln -s /usr/include/qt6keychain "$log/include/qt6keychain"
  flags+=(-isystem "$log/include")
fi
# What CMake and Qt's own CMake files define for a Windows build of a widgets program.
flags+=(-DUNICODE -D_UNICODE -DWIN32 -D_WIN32_WINNT=0x0A00 -DQT_NO_DEBUG)
# The project's warnings (cmake/CompilerWarnings.cmake), as errors.
flags+=(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(find src -name '*.cpp' ! -name '*_unix.cpp' | sort)
  # Every Unix implementation must have its Windows counterpart, or the Windows build cannot link.
  for unix in $(find src -name '*_unix.cpp'); do
    [ -f "${unix%_unix.cpp}_win.cpp" ] || { echo "no Windows counterpart of $unix" >&2; exit 1; }
  done
fi

export cxx log
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} bash -c '
  out="$log/$(echo "$1" | tr / _).txt"
  if "$cxx" "${@:2}" "$1" >"$out" 2>&1; then rm -f "$out"; fi
' _ {} "${flags[@]}"

failed=("$log"/*.txt)
if [ -e "${failed[0]}" ]; then
  cat "${failed[@]}" >&2
  echo "Windows source check: ${#failed[@]} of ${#files[@]} files failed" >&2
  exit 1
fi
echo "Windows source check: ${#files[@]} files compile as Windows code"
