#!/usr/bin/env bash
# Installs the Debian packages that scripts/package.sh made, uses them as their users would and
# removes them again, in a throwaway root: apt-get install resolves their dependencies, the
# programs compile a real scene to the reference bytes, `man` shows every page, bash completes
# the programs, a CMake project and a pkg-config program build against the library, Debian's
# /usr/bin/python3 imports the reader, and apt-get remove leaves no file behind.
#
#   scripts/package-install-test.sh host [PACKAGES]    a copy of this machine: an overlay of /
#       in a mount namespace of its own, so nothing reaches the real system; quick, and offline.
#       What the packages depend on must resolve against Debian's packages installed here.
#   scripts/package-install-test.sh clean [PACKAGES]   a clean Debian 12: a minimal debootstrap
#       (kept in build-package/clean-root, made once, needs the network) with only the tools the
#       consumers build with (cmake, g++, make, pkg-config, man-db, bash-completion); the
#       packages must bring everything else, Python included, and take it away again.
# PACKAGES defaults to build-package/packages. Needs root (mounts and chroot).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
mode=${1:-}
packages=$(realpath "${2:-$root/build-package/packages}")
models=$(realpath "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")
case "$mode" in
host | clean) ;;
*)
    echo "usage: scripts/package-install-test.sh host|clean [PACKAGES]" >&2
    exit 2
    ;;
esac
if [ "$(id -u)" -ne 0 ]; then # its mounts and chroot need root
    command -v sudo >/dev/null && sudo -n true 2>/dev/null && exec sudo -n "$root/scripts/package-install-test.sh" "$@"
    echo "scripts/package-install-test.sh: needs root (or sudo without a password), for its mounts and chroot" >&2
    exit 1
fi
need_packages util-linux
ls "$packages"/norvane_*.deb "$packages"/libnorvane-dev_*.deb "$packages"/python3-norvane-bsp_*.deb >/dev/null

base=/
if [ "$mode" = clean ]; then
    base=$root/build-package/clean-root
    if [ ! -e "$base/.ready" ]; then
        echo "== a clean Debian 12 in $base (once)"
        need_packages debootstrap
        rm -rf "$base"
        debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian >/dev/null
        cp /etc/resolv.conf "$base/etc/resolv.conf"
        chroot "$base" apt-get update -qq
        chroot "$base" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            cmake g++ make pkg-config man-db bash-completion >"$root/build-package/clean-root.log" 2>&1 || {
            cat "$root/build-package/clean-root.log" >&2
            exit 1
        }
        chroot "$base" apt-get clean
        touch "$base/.ready"
    fi
    cp /etc/resolv.conf "$base/etc/resolv.conf"
fi

# Everything the test needs inside, in a folder of the new root.
test=$root/build-package/install-test
rm -rf "$test"
mkdir -p "$test"/{upper,work,merged}
kit=$test/upper/tmp/norvane-test
mkdir -p "$kit"
cp "$packages"/norvane_*.deb "$packages"/libnorvane-dev_*.deb "$packages"/python3-norvane-bsp_*.deb "$kit/"
cp "$models/cubes_with_alpha.3DS" "$models/expected/cubes_with_alpha.bsp" "$kit/"
cp -r examples/painter examples/scenes "$kit/"
cp tests/install/painter_cubes_with_alpha.txt tests/install/pkgconfig_consumer.cpp scripts/package-use-test.sh "$kit/"
version=$(sed -n 's/^project(norvane VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)

echo "== install, use and remove the packages ($mode)"
status=0
unshare --mount --propagation private bash -euo pipefail -c '
    base=$1 test=$2 version=$3 mode=$4
    mount -t overlay overlay -o "lowerdir=$base,upperdir=$test/upper,workdir=$test/work" "$test/merged"
    for dir in proc sys dev; do mount --rbind "/$dir" "$test/merged/$dir"; done
    chroot "$test/merged" /bin/bash /tmp/norvane-test/package-use-test.sh /tmp/norvane-test "$version" "$mode"
' overlay "$base" "$test" "$version" "$mode" || status=1

# What the root kept once the packages were removed: apt's and dpkg's records, logs and caches,
# the test's own folder, nothing else.
left=$(cd "$test/upper" && find . \( -type f -o -type l -o -type c \) |
    grep -vE '^\./(var/(lib/(dpkg|apt|man-db)|cache|log)/|tmp/|root/|etc/ld\.so\.cache$)' || true)
if [ -n "$left" ]; then
    echo "FAILED: the packages left files behind once removed:" >&2
    echo "$left" >&2
    status=1
fi
rm -rf "$test"
[ "$status" -eq 0 ] && echo "ok: installed, used and removed without a trace"
exit "$status"
