#!/usr/bin/env bash
# Makes a Windows (MinGW-w64) Qt from Debian's own qt6-base sources, the version of the Qt
# installed here, for building and testing the layers below the browser as Windows programs.
# Qt WebEngine cannot be built with MinGW; everything else the program uses can.
#
#   scripts/windows-qt.sh          # prints the Qt's folder, making it first if it is missing
#
# Core, Network, Sql (with SQLite), Test, Gui and Widgets, with the windows, offscreen and minimal
# platform plugins, in one build (a second would build Core again). The cache,
# KELVORA_WINDOWS_CACHE (by default /var/cache/kelvora-windows), keeps one Qt per hash of the
# versions and options below; the build folder is deleted once it is installed.
#
# The sources come through an apt configuration of this script's own, with deb-src lines made
# from the machine's sources: the system's own apt setup is left as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${KELVORA_WINDOWS_CACHE:-/var/cache/kelvora-windows}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# Its output is the Qt's folder alone: what is installed is said on stderr.
"$here/scripts/install-packages.sh" g++-mingw-w64-x86-64-posix dpkg-dev qt6-base-dev qt6-base-dev-tools \
  ninja-build cmake xz-utils
qt_version=$(dpkg-query -W -f '${Version}' qt6-base-dev)
sqlite_version=$(apt-cache policy sqlite3 | sed -n 's/ *Candidate: //p')
mingw_version=$(dpkg-query -W -f '${Version}' g++-mingw-w64-x86-64-posix)
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF
  -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF
  -DFEATURE_dbus=OFF -DFEATURE_openssl=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_vulkan=OFF -DFEATURE_directwrite3=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF -DFEATURE_sql=ON
)
key=$(printf '%s\n' "$qt_version" "$sqlite_version" "$mingw_version" "${options[@]}" \
  "$(cat "$here/cmake/mingw-w64.cmake")" | sha256sum | cut -c1-16)
prefix=$cache/qt-$key

stage_done() { [ -f "$prefix/.stage-$1" ]; }
if stage_done all; then
  echo "$prefix"
  exit 0
fi

$sudo mkdir -p "$cache"
[ -w "$cache" ] || $sudo chown "$(id -u):$(id -g)" "$cache"

# One build folder, kept when a build fails, so that the next run goes on from where it stopped.
work=$cache/build
mkdir -p "$work"
started=$SECONDS

# Debian's sources, through apt lists of our own; fetched once per build folder.
if [ ! -f "$work/src/.fetched" ]; then
  rm -rf "$work/src" "$work/apt"
  mkdir -p "$work/apt/parts" "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -e "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$work/apt/parts/$(basename "$list")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/apt/parts/sources.list"
  fi
  cat >"$work/apt/apt.conf" <<EOF
Dir::Etc::SourceList "$work/apt/parts/sources.list";
Dir::Etc::SourceParts "$work/apt/parts";
Dir::State::Lists "$work/apt/lists";
Dir::Cache "$work/apt/cache";
APT::Sandbox::User "root";
EOF
  touch "$work/apt/parts/sources.list"
  export APT_CONFIG=$work/apt/apt.conf
  apt-get update -qq
  (cd "$work/src" && apt-get source -qq "qt6-base=$qt_version" "sqlite3" >/dev/null)
  touch "$work/src/.fetched"
  echo "sources fetched: $((SECONDS - started)) s" >&2
fi
qtsrc=$(find "$work/src" -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
sqlitesrc=$(find "$work/src" -maxdepth 1 -type d -name 'sqlite3-*' | head -1)

# Debian's tarball leaves out the SQLite amalgamation Qt builds its driver from: made from
# Debian's own SQLite sources.
if [ ! -f "$qtsrc/src/3rdparty/sqlite/sqlite3.c" ]; then
  (cd "$sqlitesrc" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null)
  mkdir -p "$qtsrc/src/3rdparty/sqlite"
  cp "$sqlitesrc/sqlite3.c" "$sqlitesrc/sqlite3.h" "$qtsrc/src/3rdparty/sqlite/"
fi

build() { # stage, then the options of that stage
  local stage=$1
  shift
  if stage_done "$stage"; then
    return
  fi
  local from=$SECONDS
  cmake -S "$qtsrc" -B "$work/build-$stage" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" "$@" >"$work/configure-$stage.log" 2>&1 ||
    { tail -40 "$work/configure-$stage.log" >&2; exit 1; }
  cmake --build "$work/build-$stage" --parallel "$(nproc)" >"$work/build-$stage.log" 2>&1 ||
    { grep -m20 -B2 -A8 'error' "$work/build-$stage.log" >&2; exit 1; }
  cmake --install "$work/build-$stage" --strip >/dev/null
  touch "$prefix/.stage-$stage"
  echo "Windows Qt, $stage: $((SECONDS - from)) s" >&2
}
build all -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_direct2d=OFF
rm -rf "$work"
# Qts made with other versions or options are of no more use.
find "$cache" -mindepth 1 -maxdepth 1 -name 'qt-*' ! -path "$prefix" -exec rm -rf {} +
echo "Windows Qt made in $((SECONDS - started)) s: $prefix" >&2
echo "$prefix"
