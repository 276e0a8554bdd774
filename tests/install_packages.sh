#!/usr/bin/env bash
# Installs the Debian packages of tests/packages.txt that are missing. As root
# it runs apt-get itself, retrying a transient mirror error ("File has
# unexpected size ... Mirror sync in progress?", a dropped connection) a few
# times, and then checks that every package asked for is really installed.
# Otherwise it prints the apt-get line to run and fails when anything is
# missing. Usage: tests/install_packages.sh [--check]   (--check: only report)
set -u
cd "$(dirname "$0")/.."

mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' tests/packages.txt)

# dpkg names an installed foreign-architecture package with its ":arch"; a
# native one answers to its bare name.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }
missing() {
    local p
    for p in "${wanted[@]}"; do installed "$p" || echo "$p"; done
}

# Runs apt-get with its arguments up to four times, waiting longer each time.
apt_retry() {
    local try
    for try in 1 2 3 4; do
        apt-get "$@" && return 0
        echo "apt-get $1 failed (try $try of 4); retrying in $((try * 10)) s" >&2
        sleep $((try * 10))
    done
    return 1
}

mapfile -t need < <(missing)
if [ ${#need[@]} -eq 0 ]; then
    echo "packages: all ${#wanted[@]} installed"
    exit 0
fi
if [ "${1:-}" = "--check" ] || [ "$(id -u)" -ne 0 ]; then
    echo "packages missing: ${need[*]}"
    echo "install them with: apt-get install ${need[*]}"
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${need[@]}" | grep -q ':armhf$' && ! dpkg --print-foreign-architectures | grep -qx armhf; then
    dpkg --add-architecture armhf
fi
echo "packages: installing ${need[*]}"
apt_retry update -qq --error-on=any || { echo "apt-get update failed"; exit 1; }
apt_retry install -y -qq --no-install-recommends "${need[@]}" >/dev/null || { echo "apt-get install failed"; exit 1; }

mapfile -t still < <(missing)
if [ ${#still[@]} -ne 0 ]; then
    echo "packages still missing after install: ${still[*]}"
    exit 1
fi
echo "packages: all ${#wanted[@]} installed"
