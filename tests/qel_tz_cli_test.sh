#!/usr/bin/env bash
# Runs qel-tz as a user would and checks its output and exit status.
# Usage: qel_tz_cli_test.sh [emulator ...] path/to/qel-tz
set -u
tool=("$@")
failures=0
checks=0
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

run() { "${tool[@]}" "$@" >"$out" 2>"$err"; }

# expect STATUS DESCRIPTION -- ARGS...: the exit status, and stdout/stderr
# checks given in EXPECT_OUT / EXPECT_ERR (grep -E patterns), if set.
expect() {
    local status=$1 what=$2
    shift 3
    run "$@"
    local got=$?
    checks=$((checks + 1))
    local ok=1
    [ "$got" -eq "$status" ] || ok=0
    if [ -n "${EXPECT_OUT:-}" ] && ! grep -q -E -- "$EXPECT_OUT" "$out"; then ok=0; fi
    if [ -n "${EXPECT_ERR:-}" ] && ! grep -q -E -- "$EXPECT_ERR" "$err"; then ok=0; fi
    if [ "$status" -eq 2 ] && [ "$(wc -l <"$err")" -ne 1 ]; then ok=0; fi  # one line says what was wrong
    if [ $ok -eq 0 ]; then
        failures=$((failures + 1))
        echo "FAILED: $what (status $got)"
        sed 's/^/  out: /' "$out" | head -20
        sed 's/^/  err: /' "$err" | head -5
    fi
    EXPECT_OUT=
    EXPECT_ERR=
}

cet=(--zone 10100 --dst 60 --start M3.5.0/02:00:00 --end M10.5.0/03:00:00)

EXPECT_OUT='^TZ string: +CET-01:00:00CEST-02:00:00,M3\.5\.0/02:00:00,M10\.5\.0/03:00:00$'
expect 0 "default run prints the TZ string" -- 
EXPECT_OUT='^  \| Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES$'
expect 0 "default run prints the zic text" --
EXPECT_OUT='^read back: +zone 10100 \(UTC\+01:00\), daylight saving 60 minutes'
expect 0 "default run reads the record back" --
EXPECT_OUT='"tz": "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"'
expect 0 "default run as JSON" -- --json

EXPECT_OUT='^CET-01:00:00CEST-02:00:00,M3\.5\.0/02:00:00,M10\.5\.0/03:00:00$'
expect 0 "tz with daylight saving" -- tz "${cet[@]}"
EXPECT_OUT='^VET\+04:30$'
expect 0 "tz without daylight saving" -- tz --zone 9570
EXPECT_OUT='^Zone local 5:45 - NPT$'
expect 0 "zic without daylight saving" -- zic --zone 10545
EXPECT_OUT='^Rule qlrule min max - Oct Sun>=29 3:00 0 E$'
expect 0 "zic with daylight saving" -- zic "${cet[@]}"
EXPECT_OUT='"zic": "Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES\\nRule'
expect 0 "zic as JSON" -- zic "${cet[@]}" --json
EXPECT_ERR='warning: start rule: week 5 of February'
expect 0 "zic warns about February week 5" -- zic --zone 101 --dst 60 --start M2.5.0 --end M10.5.0

EXPECT_OUT='^zone 10545 \(UTC\+05:45\), daylight saving 60 minutes from M3\.5\.0/02:00:00 to M10\.5\.0/03:00:00$'
expect 0 "parse" -- parse 'NPT-05:45:00NPDT-06:45:00,M3.5.0/02:00:00,M10.5.0/03:00:00'
EXPECT_OUT='^\{"zone": 9200, "dst_on": 0, "dst_minutes": 0, '
expect 0 "parse as JSON" -- parse 'PST+08:00' --json

EXPECT_OUT='^10545 +- +UTC\+05:45 +NPT +NPDT$'
expect 0 "zones lists the catalogue" -- zones
run zones
checks=$((checks + 1))
if [ "$(grep -c -E '^[0-9]{4,5} ' "$out")" -ne 35 ]; then failures=$((failures + 1)); echo "FAILED: zones lists 35 zones"; fi
EXPECT_OUT='\{"long_code": 8800, "short_code": 88, "offset": "UTC-12:00", "standard": "IDLW", "daylight": "IDLWDT"\}'
expect 0 "zones as JSON" -- zones --json

# The catalogue shown in the docs is the one the library has.
docs="$(dirname "$0")/../docs/timezone-settings.md"
run zones
checks=$((checks + 1))
if ! awk '/as `qel-tz zones` prints it/ { f = 1; next } f && /^```/ { if (n++) exit; next } f && n' "$docs" | diff -q - "$out" >/dev/null; then
    failures=$((failures + 1))
    echo "FAILED: the zone table in docs/timezone-settings.md differs from qel-tz zones"
fi

EXPECT_OUT='^usage: qel-tz'
expect 0 "help" -- --help

EXPECT_ERR='unknown command: frobnicate'
expect 2 "unknown command" -- frobnicate
EXPECT_ERR='--zone is required'
expect 2 "missing zone" -- tz
EXPECT_ERR='zone code is not a number: ten'
expect 2 "zone not a number" -- tz --zone ten
EXPECT_ERR='--dst needs --start and --end'
expect 2 "daylight without rules" -- tz --zone 101 --dst 60
EXPECT_ERR='start rule is not of the form'
expect 2 "bad rule" -- tz --zone 101 --dst 60 --start M13.1.0 --end M10.5.0
EXPECT_ERR='cannot be written as a TZ string'
expect 2 "zone outside the catalogue" -- tz --zone 12000 --dst 60 --start M3.5.0 --end M10.5.0
EXPECT_ERR='cannot be written as zic text'
expect 2 "zic of a zone outside the catalogue" -- zic --zone 87
EXPECT_ERR='not a TZ string the library reads: PST8PDT'
expect 2 "parse refuses" -- parse PST8PDT
EXPECT_ERR='parse needs a TZ string'
expect 2 "parse without a string" -- parse
EXPECT_ERR='unknown argument: --frob'
expect 2 "unknown option" -- zones --frob

echo "qel-tz: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
