# shellcheck shell=bash
# A throwaway Debian root of the release this machine runs, the host folders it borrows, and its
# safe removal: sourced by scripts/build-package.sh, by the package suite (tests/package/run.sh)
# and by the test of the removal (tests/package/throwaway-root.sh). Needs root.

# fresh_root ROOT [SUITE]: a minimal Debian (debootstrap's minbase) at ROOT, of this machine's
# release or of SUITE, with this machine's package sources (turned to SUITE) and download settings,
# /proc, /sys and /dev. The first call keeps the bootstrapped root as /var/tmp/span-meter-SUITE.tar;
# later calls unpack it, so each root starts afresh.
fresh_root() {
    local root=$1 suite mirror base proxy= host_suite
    read -r host_suite mirror < <(host_archive)
    suite=${2:-$host_suite}
    base=/var/tmp/span-meter-$suite.tar
    mkdir -p "$root"
    if [[ ! -f $base ]]; then
        command -v debootstrap >/dev/null || {
            echo "fresh_root: debootstrap is missing" >&2
            return 1
        }
        # debootstrap fetches with wget, which takes a proxy from the environment, not from apt.
        eval "$(apt-config shell proxy Acquire::http::Proxy)"
        http_proxy=${http_proxy:-$proxy} debootstrap --variant=minbase "$suite" "$root" "$mirror" \
            >"$root.debootstrap.log" 2>&1 || {
            tail -n 20 "$root.debootstrap.log" >&2
            echo "fresh_root: debootstrap failed; its log: $root.debootstrap.log" >&2
            return 1
        }
        rm -f "$root.debootstrap.log"
        if [[ $suite != "$host_suite" ]]; then
            suite_sources "$suite" "$mirror" >"$root/etc/apt/sources.list.d/debian.sources"
            rm -f "$root/etc/apt/sources.list"
        elif [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
            cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
            rm -f "$root/etc/apt/sources.list"
        fi
        tar -C "$root" -cf "$base.part" . && mv "$base.part" "$base"
    else
        tar -C "$root" -xf "$base"
    fi
    chmod 755 "$root" # a 0700 from mktemp would shut all but root out of the root's /
    cp /etc/resolv.conf "$root/etc/" 2>/dev/null || true
    # A download that breaks off is tried again rather than failing the build or the test.
    echo 'Acquire::Retries "3";' >"$root/etc/apt/apt.conf.d/80span-meter-retries"
    # What this machine's apt is told about reaching the archive holds in the root too: a proxy, a
    # mirror's copy whose Release file is past its validity date.
    host_apt_settings >"$root/etc/apt/apt.conf.d/90span-meter-host"
    mount -t proc proc "$root/proc"
    bind_into "$root" /sys sys
    bind_into "$root" /dev dev
}

# host_archive: "SUITE MIRROR", the suite and mirror of this machine's Debian package sources. The
# suite comes from the sources rather than /etc/os-release, whose name on unstable is the coming
# release's, which is testing.
host_archive() {
    local suite mirror sources=/etc/apt/sources.list.d/debian.sources
    if [[ -f $sources ]]; then
        suite=$(sed -n 's/^Suites: *\([^ ]*\).*/\1/p' "$sources" | head -n 1)
        mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' "$sources" | head -n 1)
    elif [[ -f /etc/apt/sources.list ]]; then
        read -r mirror suite < <(awk '$1 == "deb" {
            for (i = 2; i < NF; i++) if ($i ~ /:\/\//) { print $i, $(i + 1); exit } }' \
            /etc/apt/sources.list)
    fi
    [[ -n ${suite:-} ]] || suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [[ -n $suite ]] || {
        echo "fresh_root: no release named in the package sources or /etc/os-release" >&2
        return 1
    }
    echo "$suite ${mirror:-http://deb.debian.org/debian}"
}

# suite_sources SUITE MIRROR: package sources for another release than this machine's, from the
# same mirror: its main archive and updates, and its security archive (unstable has neither).
suite_sources() {
    local suites=$1
    [[ $1 == sid || $1 == unstable ]] || suites+=" $1-updates"
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        "$2" "$suites" /usr/share/keyrings/debian-archive-keyring.gpg
    [[ $1 == sid || $1 == unstable ]] && return
    printf '\nTypes: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        http://deb.debian.org/debian-security "$1-security" /usr/share/keyrings/debian-archive-keyring.gpg
}

# host_apt_settings: this machine's own settings for apt's downloads (Acquire), each a line of apt's
# configuration: what apt-config reads beyond apt's built-in defaults. The index files that other
# installed programs ask for (IndexTargets) stay behind, and so do the hooks that run programs,
# which the root may not have.
host_apt_settings() {
    local bare defaults
    bare=$(mktemp -d)
    printf 'Dir::Etc::Main "/dev/null";\nDir::Etc::Parts "%s";\n' "$bare" >"$bare/apt.conf"
    defaults=$(APT_CONFIG=$bare/apt.conf apt-config dump | grep '^Acquire::')
    apt-config dump | grep '^Acquire::' | grep -v '^Acquire::IndexTargets' |
        grep -vxF -f <(echo "$defaults") || true
    rm -rf "$bare"
}

# bind_into ROOT SOURCE TARGET: SOURCE with everything mounted below it, at ROOT/TARGET. The copy
# is a slave: an unmount inside the root never travels back to the host's own mounts.
bind_into() {
    mount --rbind "$2" "$1/$3"
    mount --make-rslave "$1/$3"
}

# mounts_below ROOT: what is still mounted at ROOT or below it, deepest first.
mounts_below() {
    local root
    root=$(realpath "$1")
    awk -v root="$root" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo |
        sort -r
}

# processes_in ROOT: the processes whose root folder is ROOT.
processes_in() {
    local pid
    for pid in /proc/[0-9]*; do
        if [[ $(readlink "$pid/root" 2>/dev/null) == "$1" ]]; then echo "${pid#/proc/}"; fi
    done
}

# remove_root ROOT: ends what still runs in the root, unmounts what is mounted there, and removes
# the root only when nothing is left mounted below it; otherwise it removes nothing, names the
# mounts and fails.
remove_root() {
    local root=$1 mount left signal pids
    [[ -d $root ]] || return 0
    root=$(realpath "$root")
    # A program started in the root (its X server, the program itself) holds files open there:
    # asked to end, then, after 10 seconds, made to.
    for signal in TERM TERM TERM TERM TERM TERM TERM TERM TERM TERM KILL; do
        pids=$(processes_in "$root")
        [[ -n $pids ]] || break
        # shellcheck disable=SC2086 # one argument per process
        kill -s "$signal" $pids 2>/dev/null || true
        sleep 1
    done
    for mount in $(mounts_below "$root"); do
        umount "$mount" 2>/dev/null || umount -R "$mount" 2>/dev/null || true
    done
    left=$(mounts_below "$root")
    for mount in proc sys dev; do
        if mountpoint -q "$root/$mount" && ! grep -qx "$root/$mount" <<<"$left"; then
            left+=$'\n'"$root/$mount"
        fi
    done
    if [[ -n ${left//$'\n'/} ]]; then
        echo "REFUSED: still mounted, so $root was not removed (unmount it, then rm -rf --one-file-system $root):" >&2
        sed '/^$/d; s/^/  /' <<<"$left" >&2
        return 1
    fi
    rm -rf --one-file-system "$root"
}
