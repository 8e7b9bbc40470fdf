#!/usr/bin/env bash
# Builds Kelvora and runs its whole test suite in a root of another Debian release, so the
# program is built and tested on that release's Qt and Qt WebEngine, not only on this machine's.
#
#   scripts/test-in-debian.sh SUITE [--shell | --run COMMAND [ARG...]]
#
#   SUITE     a Debian suite: trixie (Debian 13, Qt 6.8) or forky (testing, Qt 6.11)
#   --shell   instead of the tests, a shell in the prepared root, as root
#   --run     instead of the tests, COMMAND in the copy of the tree in the root, as root:
#             scripts/test-in-debian.sh forky --run bench/run-bench.sh
#
# The root is made with mmdebstrap from Debian's packages alone, with the packages listed in
# debian-packages.txt, and kept in a cache folder for the next run: KELVORA_DEBIAN_CACHE, by
# default /var/cache/kelvora-debian. A change to that list, or to how the root is made, makes it
# anew. The build folders are kept inside the root, so a second run builds only what changed.
#
# Inside the root, as the README's test command does here: the core and ci builds with warnings
# as errors, every CTest label under Xvfb with IceWM, the tests that start the real program in a
# network with loopback alone. The builds and the core tests run as root; the whole suite runs as an
# ordinary user with the engine's sandbox on, as users run the program (the engine as root, without
# its sandbox, is tested by the README's test command on this machine). Last comes the Debian
# package's round trip (build, install, start, purge).
# The whole run happens in a network namespace with loopback alone: nothing leaves the machine.
#
# Needs root: it makes the root and mounts into it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

suite=${1:-}
mode=${2:---test}
usage() {
  echo "usage: $0 SUITE [--shell | --run COMMAND [ARG...]]   (SUITE: trixie, forky)" >&2
  exit 2
}
case "$suite" in '' | -*) usage ;; esac
case "$mode" in
  --test | --shell) ;;
  --run) [ $# -ge 3 ] || usage ;;
  *) usage ;;
esac
shift $(($# < 2 ? $# : 2))
[ "$(id -u)" -eq 0 ] || { echo "run this as root: it makes a Debian root and mounts into it" >&2; exit 1; }

cache=${KELVORA_DEBIAN_CACHE:-/var/cache/kelvora-debian}
root=$cache/$suite
mirror=http://deb.debian.org/debian
user=kelvora-test

# What a bare root lacks that a Debian desktop has: useradd, umount, mcookie for xvfb-run.
root_extras=(passwd mount util-linux-extra)

"$here/scripts/install-packages.sh" mmdebstrap rsync

mapfile -t packages < <(sed 's/#.*//' "$here/scripts/debian-packages.txt" | tr -s '[:space:]' '\n' | sed '/^$/d')
# The packages the root needs, and how it is made: the root is made again when any of it changes.
recipe=$(printf '%s\n' "$suite" "$mirror" "${packages[@]}" "${root_extras[@]}" "$user" | sha256sum | cut -c1-16)

timer() { date +%s; }
took() { echo "== $1: $(($(timer) - $2)) s"; }

started=$(timer)
if [ "$(cat "$root/.kelvora-recipe" 2>/dev/null)" != "$recipe" ]; then
  echo "== making a Debian $suite root in $root"
  rm -rf "$root" "$root.partial"
  mkdir -p "$cache"
  # Some suites' release files are past their Valid-Until date in this machine's package source.
  mmdebstrap --variant=apt --quiet \
    --aptopt='Acquire::Check-Valid-Until "false"' \
    --include="$(IFS=,; echo "${packages[*]},${root_extras[*]}")" \
    --customize-hook='chroot "$1" useradd --create-home --shell /bin/bash '"$user" \
    "$suite" "$root.partial" "$mirror"
  echo "$recipe" >"$root.partial/.kelvora-recipe"
  mv "$root.partial" "$root"
  took "root made" "$started"
else
  echo "== reusing the Debian $suite root in $root"
fi

# The working tree as it is (uncommitted changes included), without this machine's build folders.
# The root's own build folders stay, so its next build is incremental. Only files whose content
# differs are copied, and they get the time of the copy: a file older than the root's last build
# (a checkout made earlier) must still be built again when it changed.
src=$root/work/kelvora
mkdir -p "$src"
rsync --recursive --links --executability --checksum --delete --exclude=/build --exclude=/.git --exclude=__pycache__ \
  "$here/" "$src/"
grep -E '^(PRETTY_NAME)=' "$root/etc/os-release"
echo "Qt $(chroot "$root" dpkg-query -W -f='${Version}' libqt6webenginecore6)  (Qt WebEngine)"

# Inside: the builds as root, the suite as the user, then the package. Run by bash within the root.
inside=$(
  cat <<'INSIDE'
set -euo pipefail
cd /work/kelvora
took() { echo "== $1: $(($(date +%s) - $2)) s"; }
user=$1
case "$2" in
  --shell) exec bash -i ;;
  --run) shift 2; exec "$@" ;;
esac
t=$(date +%s)
# The real browser's test is this machine's alone: the root has neither the browser nor a way to fetch it.
KELVORA_WITHOUT_BROWSER_TEST=1 scripts/test.sh -L core
took "the builds and the core tests as root" "$t"

t=$(date +%s)
chown -R "$user:" build/ci
runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="/home/$user" LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1280x1024x24" scripts/desktop-session.sh ctest --preset ci
took "the whole suite as $user" "$t"

t=$(date +%s)
scripts/package-check.sh build/ci
took "the package's round trip" "$t"
INSIDE
)

# A mount, process and network namespace of its own: the mounts go when it ends, and nothing but
# loopback is reachable. pivot_root rather than chroot, so the engine's sandbox can make its own
# namespaces in there as an ordinary user (the kernel refuses that to chrooted processes).
unshare --mount --pid --net --fork --propagation private bash -s "$root" "$inside" "$user" "$mode" "$@" <<'ENTER'
set -euo pipefail
root=$1 inside=$2
shift 2
ip link set lo up
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mount -t tmpfs -o mode=755 tmpfs "$root/run"
mkdir -p "$root/.host"
cd "$root"
pivot_root . .host
umount -l /.host
# This shell stays the namespace's first process, whatever the command does: signals sent to
# that process are dropped unless it handles them, which xvfb-run's wait for its server relies on.
env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
  bash -c "$inside" inside "$@"
ENTER
took "everything in Debian $suite" "$started"
