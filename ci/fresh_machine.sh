#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the README's two quick-start commands on a bare Debian 12 root, as a
# new user of a fresh machine would, and prints how long each took.
#
# The bare root is made once with debootstrap --variant=minbase and only the
# packages a fresh machine of this kind has (cmake, g++, clang, python3, git,
# make, ninja, tzdata), and kept for later runs. Each run mounts a throw-away
# overlay over it, clones this repository's committed HEAD into it and runs
# the commands inside with chroot, with /proc, /sys and /dev mounted; then it
# unmounts everything and removes the overlay's folders, never while anything
# below them is still mounted.
#
# Usage (as root, with debootstrap installed):
#   ci/fresh_machine.sh            both commands, in one overlay
#   ci/fresh_machine.sh first      only the first command
# QEL_FRESH_BASE names where the bare root is kept
# (default: $TMPDIR/qeltime-fresh-base, else /tmp/qeltime-fresh-base).
# Not part of the test command or CI: it takes a quarter of an hour or more.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
scratch_root=${TMPDIR:-/tmp}
base=${QEL_FRESH_BASE:-$scratch_root/qeltime-fresh-base}
which=${1:-both}
fresh_packages=cmake,g++,clang,python3,git,make,ninja-build,tzdata

[ "$(id -u)" -eq 0 ] || { echo "fresh_machine.sh: run as root (it needs chroot and mount)"; exit 2; }
command -v debootstrap >/dev/null || { echo "fresh_machine.sh: apt-get install debootstrap first"; exit 2; }

# The machine's own Debian mirror: the first archive named in its apt sources.
mirror() {
    cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | sed 's/#.*//' |
        grep -o -E 'https?://[^ ]+/debian/?' | grep -v -E 'security|ports' | head -n 1 || true
}

if [ ! -e "$base/.qeltime-complete" ]; then
    url=$(mirror)
    [ -n "$url" ] || { echo "fresh_machine.sh: no Debian mirror found in /etc/apt"; exit 2; }
    echo "making the bare root in $base"
    start=$(date +%s)
    debootstrap --variant=minbase --include="$fresh_packages" bookworm "$base" "$url" >"$scratch_root/qeltime-debootstrap.log" 2>&1 ||
        { tail -n 20 "$scratch_root/qeltime-debootstrap.log"; exit 1; }
    # The same package sources as this machine, so installs inside resolve as here.
    if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
        rm -f "$base/etc/apt/sources.list"
        cp /etc/apt/sources.list.d/*.sources "$base/etc/apt/sources.list.d/"
    fi
    touch "$base/.qeltime-complete"
    echo "bare root made in $(($(date +%s) - start)) s"
fi

run=$(mktemp -d "$scratch_root/qeltime-fresh-run.XXXXXX")
root=$run/root
mounted=()

# Unmounts in reverse order of mounting; removes the run's folders only when
# nothing below them is mounted any more.
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
    done
    if awk -v dir="$run" 'index($2, dir) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "fresh_machine.sh: still mounted below $run; left in place"
        return
    fi
    rm -rf --one-file-system "$run"
}
trap cleanup EXIT
do_mount() {
    mount "$@"
    mounted+=("${*: -1}")
}

mkdir -p "$run/upper" "$run/work" "$root"
do_mount -t overlay overlay -o "lowerdir=$base,upperdir=$run/upper,workdir=$run/work" "$root"
do_mount -t proc proc "$root/proc"
do_mount -t sysfs sysfs "$root/sys"
do_mount --bind /dev "$root/dev"
do_mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"

[ -z "$(git -C "$repo" status --porcelain)" ] || echo "note: uncommitted changes are not in the clone (HEAD only)"
git clone -q "$repo" "$root/root/qeltime"

# The two commands, exactly as the README's quick start gives them.
mapfile -t commands < <(awk '/^```sh$/ { inblock = 1; next } inblock && /^```$/ { exit } inblock { print }' "$repo/README.md" | head -n 2)
[ ${#commands[@]} -eq 2 ] || { echo "fresh_machine.sh: the README's quick start is not two commands"; exit 1; }
[ "$which" = first ] && commands=("${commands[0]}")

status=0
for i in "${!commands[@]}"; do
    cmd=${commands[i]}
    echo "=== command $((i + 1)): $cmd"
    start=$(date +%s)
    if chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 /bin/bash -c "cd /root/qeltime && $cmd" >"$run/command$((i + 1)).log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
    fi
    tail -n 15 "$run/command$((i + 1)).log"
    cp "$run/command$((i + 1)).log" "$scratch_root/qeltime-fresh-command$((i + 1)).log"
    echo "=== command $((i + 1)): $result in $(($(date +%s) - start)) s (log: $scratch_root/qeltime-fresh-command$((i + 1)).log)"
done
exit $status
