#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages of ci/packages.txt that are missing. As root
# it runs apt-get itself, retrying a transient mirror error ("File has
# unexpected size ... Mirror sync in progress?", a dropped connection) a few
# times, and then checks that every package asked for is really installed.
# Otherwise it prints the apt-get line to run and fails when anything is
# missing. Usage: ci/install_packages.sh [--check]   (--check: only report)
set -u
cd "$(dirname "$0")/.."

# QEL_PACKAGES names another list (a stage's own, such as ci/packages_browser.txt).
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "${QEL_PACKAGES:-ci/packages.txt}")

# A bare name asks for the machine's own architecture (or an
# architecture-independent package); "name:arch" for that architecture.
native=$(dpkg --print-architecture)
installed() {
    local name=${1%%:*} arch=${1#*:}
    [ "$arch" != "$1" ] || arch="$native|all"
    dpkg-query -W -f='${Status} ${Architecture}\n' "$name" 2>/dev/null | grep -q -E "^install ok installed ($arch)\$"
}
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
# A package list the mirror serves half-synced makes the update fail; after
# the retries the lists that did arrive are used, and the install and the
# check below decide.
if ! apt_retry update -qq --error-on=any; then
    echo "apt-get update: some package lists could not be fetched; going on with those that could" >&2
    apt-get update -qq || true
fi
apt_retry install -y -qq --no-install-recommends "${need[@]}" >/dev/null || { echo "apt-get install failed"; exit 1; }

mapfile -t still < <(missing)
if [ ${#still[@]} -ne 0 ]; then
    echo "packages still missing after install: ${still[*]}"
    exit 1
fi
echo "packages: all ${#wanted[@]} installed"
