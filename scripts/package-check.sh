#!/usr/bin/env bash
# Builds Kelvora's Debian package, installs it on this machine with apt, starts the installed
# program as its desktop entry says (as root, then as an ordinary user with the engine's sandbox
# on) until its main window shows, ends it, purges the package and checks that nothing is left.
# Needs root (it installs a package and adds a user for the check); CI runs it after the tests.
#
#   scripts/package-check.sh [BUILD_FOLDER]    # default build/ci, configured and built if need be
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
[ "$(id -u)" -eq 0 ] || { echo "run this as root: it installs and removes a package" >&2; exit 1; }

scripts/setup-debian.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target kelvora
rm -f "$build"/kelvora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/kelvora_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb" Depends

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
dpkg -L kelvora | sort >"$build/package-files.txt"
command=$(sed -n 's/^Exec=//p' /usr/share/applications/kelvora.desktop)
echo "installed; the desktop entry starts: $command"

user=kelvora-check
id "$user" >/dev/null 2>&1 || useradd --create-home "$user"
finish() {
  userdel --remove "$user" 2>/dev/null || true
  if dpkg -s kelvora >/dev/null 2>&1; then apt-get purge -y -qq kelvora >/dev/null; fi
}
trap finish EXIT

# Inside a network of its own with loopback alone: the program's start page is a public site.
tests/loopback-only.sh bash -s "$command" "$user" <<'RUN'
set -euo pipefail
command=$1 user=$2
work=$(mktemp -d)
chmod 755 "$work"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -ac 3>"$work/display" 2>/dev/null &
xserver=$!
trap 'kill $xserver 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

start() { # who: root or the user
  if [ "$1" = root ]; then
    HOME="$work/root" XDG_RUNTIME_DIR="$work/root-run" $command >"$work/log" 2>&1 &
  else
    runuser -u "$user" -- env DISPLAY="$DISPLAY" HOME="/home/$user" $command >"$work/log" 2>&1 &
  fi
  program=$!
  if ! timeout 60 xdotool search --sync --onlyvisible --name '^Kelvora$' >/dev/null; then
    echo "the main window did not show" >&2; cat "$work/log" >&2; exit 1
  fi
}
stop() { # the program itself, not runuser around it, is asked to end; it ends with 0
  pkill -TERM -x kelvora
  wait "$program"
}

mkdir -p "$work/root" "$work/root-run" && chmod 700 "$work/root-run"
start root
echo "as root: the main window shows"
stop

start user
# As an ordinary user the engine's renderers run in a sandbox: namespaces of their own.
sleep 3
sandboxed=0
for pid in $(pgrep -u "$user" -f -- '--type=zygote'); do
  grep -q -- '--no-zygote-sandbox' "/proc/$pid/cmdline" && continue
  [ "$(readlink "/proc/$pid/ns/user")" != "$(readlink /proc/self/ns/user)" ] && sandboxed=1
done
[ "$sandboxed" -eq 1 ] || { echo "the engine's sandbox is off for an ordinary user" >&2; exit 1; }
echo "as $user: the main window shows, the renderers are sandboxed"
stop

# The service as its unit starts it: no display, the page on loopback, TERM ends it with 0.
service=/usr/lib/systemd/user/kelvora-headless.service
headless=$(sed -n 's/^ExecStart=//p' "$service")
runuser -u "$user" -- env -u DISPLAY HOME="/home/$user" $headless --web-port 18391 >"$work/log" 2>&1 &
program=$!
for _ in $(seq 100); do
  grep -q 'http://127.0.0.1:18391/' "$work/log" && break
  sleep 0.3
done
page=$(exec 3<>/dev/tcp/127.0.0.1/18391 && printf 'GET / HTTP/1.1\r\nHost: 127.0.0.1:18391\r\nConnection: close\r\n\r\n' >&3 && head -1 <&3)
case "$page" in
  *" 200 "*) echo "the service's unit starts the program with no display; its page answers" ;;
  *) echo "the service's page did not answer: $page" >&2; cat "$work/log" >&2; exit 1 ;;
esac
stop
RUN

apt-get purge -y -qq kelvora >/dev/null
left=$(while read -r file; do if [ -f "$file" ]; then echo "$file"; fi; done <"$build/package-files.txt")
if [ -n "$left" ]; then
  echo "left behind by the package:" >&2
  echo "$left" >&2
  exit 1
fi
echo "purged: nothing of the package is left under /usr"
