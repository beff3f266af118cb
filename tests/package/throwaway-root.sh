#!/usr/bin/env bash
# A throwaway root (scripts/throwaway-root.sh) must never take the host with it. A scratch "host"
# folder (a shared mount with a mount below it, as /dev with /dev/pts) is bound into a scratch
# root; a process holding the root's copy busy makes the unmount fail, and the root must then be
# refused, with the mount named, and the host's files and mounts untouched; once the process ends,
# the root goes and the host stays. Everything happens in a mount namespace of its own, on scratch
# folders only: never the machine's /dev or /sys. Needs root; skipped (77) without it, or where
# mounting is not allowed (a container).
set -euo pipefail
[[ $(id -u) -eq 0 ]] || { echo "SKIP: mounting needs root"; exit 77; }
# A mount namespace of its own keeps a mount that a failure leaves from outliving the test. In a
# chroot, whose root is no mount point, unshare cannot make the namespace private: there the test
# runs where it is, and unmounts what it mounted itself.
if [[ -z ${SPAN_MOUNT_NAMESPACE:-} ]] && unshare -m --propagation private true 2>/dev/null; then
    SPAN_MOUNT_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi
source "$(dirname "$(realpath "$0")")/../../scripts/throwaway-root.sh"

scratch=$(mktemp -d)
holder=
failed=0
cleanup() {
    [[ -n $holder ]] && kill "$holder" 2>/dev/null
    umount -R "$scratch/root/dev" "$scratch/host" 2>/dev/null || true
    rm -rf --one-file-system "$scratch"
}
trap cleanup EXIT
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "PASS: $1"; else echo "FAIL: $1"; failed=1; fi
}

host=$scratch/host root=$scratch/root
mkdir -p "$host" "$root"/{dev,keep}
mount -t tmpfs host "$host" 2>/dev/null || { echo "SKIP: mounting is not allowed here"; exit 77; }
mount --make-shared "$host"
mkdir "$host/pts"
mount -t tmpfs pts "$host/pts"
touch "$host/canary" "$host/pts/canary" "$root/keep/file"
files_before=$(find "$host" | sort)

bind_into "$root" "$host" dev
(cd "$root/dev" && exec sleep 300) &
holder=$!
sleep 0.2
if remove_root "$root" 2>"$scratch/refusal"; then refused=false; else refused=true; fi
cat "$scratch/refusal"
check "a root whose unmount fails is refused" $refused
check "the refusal names the mount left" grep -q "  $root/dev$" "$scratch/refusal"
check "nothing of the refused root is removed" test -f "$root/keep/file"
check "the host's files stay after the refusal" test "$(find "$host" | sort)" == "$files_before"
check "the host's mount below stays after the refusal" mountpoint -q "$host/pts"

kill "$holder"
wait "$holder" 2>/dev/null || true
holder=
check "the root goes once nothing holds it" remove_root "$root"
check "the root is gone" test ! -e "$root"
check "the host's files stay after the removal" test "$(find "$host" | sort)" == "$files_before"
check "the host's mount below stays after the removal" mountpoint -q "$host/pts"
exit $failed
