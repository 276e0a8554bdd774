#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The html stage: qel-tz's --html pages in a real browser. Installs Debian's
# chromium and tidy (ci/packages_browser.txt), builds qel-tz (dev preset) and
# writes the pages of: the fixture fleet against the fixture's new release
# and the fixture diff (tests/releases/); the diff of Debian's tzdata 2025b
# and 2026f, fetched with apt-get download; a hostile fleet, whose device
# names hold markup, quotes, & and bytes outside UTF-8; Vancouver held as
# PST8PDT,M3.2.0,M11.1.0 under 2026f; and three places. Each page: tidy finds no
# error in it; headless Chromium renders it (--dump-dom) and ci/html_check.py
# compares what the rendered page counts with the command's JSON, and checks
# that names stay text and nothing is fetched; printed, it takes A4 pages. A
# screenshot and the print of each are kept in build/html-report/ for a
# person to look at (docs/release-report.png is the real diff's).
set -euo pipefail
cd "$(dirname "$0")/.."
QEL_PACKAGES=ci/packages_browser.txt ci/install_packages.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target qel-tz >/dev/null
tool=$PWD/build/dev/tools/qel-tz
out=$PWD/build/html-report
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-html.XXXXXX")
trap 'rm -rf "$work"' EXIT
zic=$(command -v zic || echo /usr/sbin/zic)
check=$PWD/ci/html_check.py

for release in old new; do
    "$zic" -b slim -d "$work/$release" "tests/releases/$release.zi"
    cp "tests/releases/$release.zi" "$work/$release/tzdata.zi"
done
for version in 2025b 2026f; do
    ci/fetch_tzdata.sh "$version" "$work/tzdata-$version" >/dev/null
done
python3 ci/html_check.py hostile-fleet >"$work/hostile.csv"
printf 'device,place,tz\ntill-01,America/Vancouver,"PST8PDT,M3.2.0,M11.1.0"\n' >"$work/vancouver.csv"

chrome=(chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --user-data-dir="$work/profile")
# page NAME KIND ARGS...: runs qel-tz ARGS with --json and with --html, and
# checks the page. The exit status of qel-tz is its verdict (0 or 1): the
# check reads it, for the headline of a place page follows it.
page() {
    local name=$1 kind=$2
    shift 2
    local html=$out/$name.html
    local verdict=0
    "$tool" "$@" --json >"$work/$name.json" 2>/dev/null || verdict=$?
    [ "$verdict" -le 1 ] || { echo "html: qel-tz $* exits $verdict"; return 1; }
    "$tool" "$@" --html "$html" >/dev/null 2>&1 || [ $? -eq 1 ]
    local status=0
    tidy -errors -q "$html" >"$work/$name.tidy" 2>&1 || status=$?
    if [ "$status" -ge 2 ]; then
        echo "html: tidy finds errors in $name.html:"
        cat "$work/$name.tidy"
        return 1
    fi
    timeout 120 "${chrome[@]}" --dump-dom "file://$html" >"$work/$name.dom" 2>/dev/null
    timeout 120 "${chrome[@]}" --window-size=1000,2600 --screenshot="$out/$name.png" "file://$html" >/dev/null 2>&1
    [ -s "$out/$name.png" ] || { echo "html: no screenshot of $name.html"; return 1; }
    # Printed, it takes A4 pages (595 x 842 points), as its CSS asks.
    timeout 120 "${chrome[@]}" --no-pdf-header-footer --print-to-pdf="$out/$name.pdf" "file://$html" >/dev/null 2>&1
    grep -a -q '/MediaBox *\[0 0 594\.[0-9]* 841\.[0-9]*\]' "$out/$name.pdf" || {
        echo "html: $name.html does not print on A4"
        return 1
    }
    python3 "$check" "$kind" "$work/$name.dom" "$html" "$work/$name.json" "$verdict"
}

fixture=(--tzdir "$work/new" --years 2027-2030)
real=(--years 2026-2036)
page fixture-audit audit audit tests/releases/fleet.csv "${fixture[@]}"
page fixture-diff diff diff "$work/old" "$work/new" --years 2026-2030
# From the scratch folder, so that the page (and its screenshot, shown in
# docs/releases.md) names the releases' folders as the docs do.
(cd "$work" && page release-diff diff diff tzdata-2025b/usr/share/zoneinfo tzdata-2026f/usr/share/zoneinfo "${real[@]}")
page hostile hostile audit "$work/hostile.csv" "${fixture[@]}"
page vancouver vancouver audit "$work/vancouver.csv" --tzdir "$work/tzdata-2026f/usr/share/zoneinfo"
# One record; a schedule of three, exact; the nearest record, approximate.
for place in America/Vancouver Asia/Jerusalem Australia/Lord_Howe; do
    page "place-${place#*/}" place place "$place" --tzdir "$work/tzdata-2026f/usr/share/zoneinfo" "${real[@]}"
done
echo "html: 8 pages rendered and checked; screenshots in $out"
