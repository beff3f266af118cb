#!/usr/bin/env bash
# Builds the Debian source and binary packages in a fresh minimal root of the Debian release this
# machine runs, where nothing is installed but Debian's essential and build-essential packages and
# the build dependencies that debian/control declares: one it forgets fails here, not in Debian.
# The build runs as an ordinary user, from the working tree. Needs root
# (debootstrap, chroot); takes minutes.
#   scripts/build-package.sh OUT_DIR [--twice]
#     OUT_DIR  receives the .dsc, the source tarball, the .deb and its debug symbols (-dbgsym), the
#              .buildinfo, the .changes and the build's log
#     --twice  builds the binary packages once more, in OUT_DIR/again: in another folder, as
#              another user, later, under another umask, time zone and locale, without the tests
#              (nocheck); the same commit must give the same bytes
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
fail() {
    echo "build-package.sh: $*" >&2
    exit 1
}
[[ $# -ge 1 && $1 != -* ]] || fail "usage: scripts/build-package.sh OUT_DIR [--twice]"
out=$(realpath -m "$1")
twice=false
[[ ${2:-} == --twice ]] && twice=true
[[ $(id -u) -eq 0 ]] || fail "run as root (debootstrap and chroot)"

# shellcheck source=throwaway-root.sh
source "$project/scripts/throwaway-root.sh"
root=$(mktemp -d /var/tmp/span-meter-build.XXXXXX)
trap 'remove_root "$root" || exit 1' EXIT
mkdir -p "$out"
log=$out/build.log
: >"$log"

# in_root USER COMMAND: runs COMMAND with bash in the root, as USER, with a plain environment.
in_root() {
    chroot "$root" /usr/sbin/runuser -u "$1" -- /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        HOME="$(chroot "$root" getent passwd "$1" | cut -d: -f6)" bash -euo pipefail -c "$2" \
        >>"$log" 2>&1
}
# copy_source FOLDER: the working tree at FOLDER in the root, without what a source package leaves
# out (debian/source/options and dpkg-source's own list): version control and builds.
copy_source() {
    mkdir -p "$root$1"
    tar -C "$project" --exclude-vcs --exclude=./build --exclude='./build-*' --exclude='./obj-*' \
        --exclude=__pycache__ -cf - . | tar -C "$root$1" -xf -
}
step() { # step WHAT USER COMMAND
    echo "== $1"
    in_root "$2" "$3" || {
        tail -n 40 "$log"
        fail "$1 failed; the whole log: $log"
    }
}

echo "== a fresh $(. /etc/os-release && echo "$PRETTY_NAME") root in $root"
fresh_root "$root"
source_dir=/build/span-meter
copy_source "$source_dir"

jobs="parallel=$(nproc)"
step "build-essential, as Debian's builders assume it" root '
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get upgrade -y -q
    apt-get install -y -q --no-install-recommends build-essential
    useradd --create-home builder
    useradd --create-home --user-group maker'
step "the build dependencies that debian/control declares" root "
    export DEBIAN_FRONTEND=noninteractive
    apt-get build-dep -y -q --no-install-recommends $source_dir
    chown -R builder: /build"
step "dpkg-checkbuilddeps" builder "cd $source_dir && dpkg-checkbuilddeps"
step "dpkg-buildpackage, the source and binary packages, with the unit suites" builder "
    cd $source_dir && DEB_BUILD_OPTIONS=$jobs dpkg-buildpackage -us -uc"
cp "$root"/build/span-meter_* "$root"/build/span-meter-dbgsym_* "$out/"

if $twice; then
    again=/home/maker/elsewhere/span-meter-source
    mkdir -p "$out/again"
    copy_source "$again"
    chroot "$root" chown -R maker: /home/maker/elsewhere
    step "dpkg-buildpackage again, elsewhere and otherwise" maker "
        umask 0002
        cd $again && TZ=XYZ-14 LC_ALL=C.UTF-8 DEB_BUILD_OPTIONS='nocheck $jobs' \
            DEB_BUILD_PROFILES=nocheck dpkg-buildpackage -us -uc -b"
    cp "$root"/home/maker/elsewhere/span-meter_* "$root"/home/maker/elsewhere/span-meter-dbgsym_* \
        "$out/again/"
fi
echo "== built in $out:"
(cd "$out" && ls -1 span-meter*)
