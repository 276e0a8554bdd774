#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs qel-tz as a user would and checks its output and exit status, one row
# a case. The place commands run against the small places of
# tests/places/places.zi, compiled with zic into a scratch directory, so that
# they do not depend on the machine's tz database.
# Usage: qel_tz_cli_test.sh [emulator ...] path/to/qel-tz
set -u
tool=("$@")
here=$(dirname "$0")
failures=0
checks=0
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$work/out
err=$work/err

fail() {
    failures=$((failures + 1))
    echo "FAILED: $*"
    sed 's/^/  out: /' "$out" | head -20
    sed 's/^/  err: /' "$err" | head -5
}

# t STATUS STREAM PATTERN ARGS...: the exit status, and a line of stdout
# (out) or stderr (err) that matches the extended regular expression. A
# refusal (status 2) is one line on stderr.
t() {
    local status=$1 stream=$2 pattern=$3
    shift 3
    "${tool[@]}" "$@" >"$out" 2>"$err"
    local got=$?
    checks=$((checks + 1))
    if [ "$got" -ne "$status" ] || ! grep -q -E -- "$pattern" "$work/$stream" ||
        { [ "$status" -eq 2 ] && [ "$(wc -l <"$err")" -ne 1 ]; }; then
        fail "qel-tz $* (status $got, wanted $status and $stream matching $pattern)"
    fi
}

# s STATUS ARGS...: the exit status, and stdout and stderr in UTF-8 without
# a raw control character but the line end (JSON, where asked for, valid).
s() {
    local status=$1
    shift
    "${tool[@]}" "$@" >"$out" 2>"$err"
    local got=$?
    checks=$((checks + 1))
    if [ "$got" -ne "$status" ] || ! python3 - "$out" "$err" "$*" <<'PY'
import json, re, sys
for name in sys.argv[1:3]:
    text = open(name, "rb").read().decode("utf-8")
    assert not re.search("[\x00-\x09\x0b-\x1f\x7f-\x9f]", text), repr(text[:200])
if "--json" in sys.argv[3]:
    json.load(open(sys.argv[1], encoding="utf-8"))
PY
    then
        fail "qel-tz $* (status $got, wanted $status and safe output)"
    fi
}

cet=(--zone 10100 --dst 60 --start M3.5.0/02:00:00 --end M10.5.0/03:00:00)
cet_tz='CET-01:00:00CEST-02:00:00,M3\.5\.0/02:00:00,M10\.5\.0/03:00:00'

# Settings records.
t 0 out "^TZ string: +$cet_tz$"
t 0 out '^  \| Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES$'
t 0 out '^read back: +zone 10100 \(UTC\+01:00\), daylight saving 60 minutes'
t 0 out '"tz": "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"' --json
# The typical request's next changes all lie ahead.
now=$(date +%s)
"${tool[@]}" --json >"$out" 2>"$err"
checks=$((checks + 1))
python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); assert all(c["at"] > int(sys.argv[2]) for c in
    d["changes_tz"] + d["changes_zic"]), d' "$out" "$now" || fail "the next changes lie ahead"
t 0 out "^$cet_tz$" tz "${cet[@]}"
t 0 out '^VET\+04:30$' tz --zone 9570
t 0 out '^IST-05:30$' tz --zone +05:30
t 0 out '^Zone local 5:45 - NPT$' zic --zone 10545
t 0 out '^Rule qlrule min max - Oct Sun>=29 3:00 0 E$' zic "${cet[@]}"
t 0 out '"zic": "Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES\\nRule' zic "${cet[@]}" --json
t 0 out '^zone 10545 \(UTC\+05:45\), daylight saving 60 minutes from M3\.5\.0/02:30:00 to M10\.5\.0/03:00:00$' \
    parse 'NPT-05:45:00NPDT-06:45:00,M3.5.0/02:30:00,M10.5.0/03:00:00'
t 0 out '"record": \{"zone": 9200, "dst_on": 0, "dst_minutes": 0, ' parse 'PST+08:00' --json
t 0 out '^10545 +- +UTC\+05:45 +NPT +NPDT$' zones
t 0 out '^usage: qel-tz' --help
t 0 out '^usage: qel-tz place NAME' place --help
t 0 out '^qel-tz [0-9]+\.[0-9]+\.[0-9]+$' --version

# Refusals: one line naming the bad field, status 2.
t 2 err 'unknown command frobnicate' frobnicate
t 2 err 'tz needs --zone' tz
t 2 err 'tz needs --zone' tz --dst 60  # the first problem of several
t 2 err 'zone code ten is not a number' tz --zone ten
t 2 err 'zone code 530 is not in the catalogue' tz --zone 530
t 2 err 'zone code -2147483648 is not in the catalogue' tz --zone -2147483648
t 2 err 'zone offset \+05:40 is not in the catalogue' zic --zone +05:40
t 2 err 'daylight amount 45 minutes' tz --zone 101 --dst 45 --start M3.5.0 --end M10.5.0
t 2 err 'daylight amount 0 minutes' zic --zone 101 --dst 0 --start M3.5.0 --end M10.5.0
t 2 err '--dst needs --start and --end' tz --zone 101 --dst 60
t 2 err 'start rule M13\.1\.0: month 13 is not 1\.\.12' tz --zone 101 --dst 60 --start M13.1.0 --end M10.5.0
t 2 err 'month 4294967299 is not 1\.\.12' tz --zone 101 --dst 60 --start M4294967299.5.0 --end M10.5.0
t 2 err 'end rule J60: a record holds only' tz --zone 101 --dst 60 --start M3.5.0 --end J60
t 2 err '^qel-tz: start rule: week 5 of February .* zic refuses' zic --zone 101 --dst 60 --start M2.5.0 --end M2.5.0
t 2 err 'PST8PDT: .*Mm\.w\.d/hh:mm:ss' parse PST8PDT
t 2 err 'not a TZ string: 12' parse 12
t 2 err 'parse needs TZ' parse
t 2 err 'unexpected argument extra \(see' parse UTC0 extra
t 2 err 'unknown option --frob' zones --frob
t 2 err 'option --years does not go with tz' tz --zone 101 --years 2026-2030
t 2 err 'years 2030-2026: the first is after the last' places --years 2030-2026
t 2 err 'check needs either --zone or --tz \(see' check --place Europe/Berlin
t 2 err 'check takes --zone or --tz, not both' check --place A --zone 101 --tz UTC0
t 2 err 'option --place given twice' check --place A --place B --tz UTC0
t 2 err 'unknown option -j' zones -j
t 0 err '^qel-tz: note: the device library cannot read this string back' tz --zone 114 --dst 60 --start M3.5.0 --end M10.5.0
t 0 err '^qel-tz: note: week 5 is written' zic --zone 101 --dst 60 --start M3.4.0 --end M10.5.0
t 0 err '^qel-tz: note: not a POSIX TZ string' parse 'CET-01:00 foo'
t 2 err '--tzdir needs a folder' place Europe/Berlin --tzdir ''
t 2 err '--libc takes linux, all, or glibc, .*, not frob' place Europe/Berlin --libc frob
t 2 err '--libc takes .*, not an empty text \(see' place Europe/Berlin --libc=
t 2 err '^qel-tz: audit needs FILE .*\[--csv\] \[--json\] \(see' audit
printf 'Europe/Berlin\n# a comment\n\n' >"$work/berlin.txt"
t 2 err 'table needs --out DIR or --json' table
t 2 err '--out and --json do not go together' table --out "$work" --json
t 2 err '--out needs a folder' table --out ''
t 2 err 'cannot read .*/nope' table --places "$work/nope" --json
t 2 err 'is a folder, not a list' table --places "$work" --json
t 2 err "^qel-tz: a place name of 300 bytes, longer than 255: $(printf 'x%.0s' {1..40})\.\.\.$" place "$(printf 'x%.0s' {1..300})"
# Every name of no place, with its line, in line order, the first 20: the
# database's own files and folders, a folder, a name too long, unknown ones.
{ printf 'Europe/Berlin\nposix/Europe/Berlin\nright/Europe/Berlin\nposixrules\nEurope\n%0300d\n' 0 &&
    seq -f 'Nowhere/Atlantis%g' 20; } >"$work/bad.txt"
"${tool[@]}" table --places "$work/bad.txt" --json >"$out" 2>"$err"
[ $? = 2 ] && [ "$(grep -o '^qel-tz: [^ ]*/bad.txt:[0-9]*:' "$err" | cut -d: -f3 | tr '\n' ' ')" = "$(seq -s ' ' 2 21) " ] &&
    grep -q '^qel-tz: and 5 more$' "$err" || fail "table --places: the names of no place, with their lines"
checks=$((checks + 1))
s 2 $'\e[2J\xe9'
t 0 out '^usage: qel-tz tz --zone' help tz
t 0 out '^zone 10100 \(UTC\+01:00\), no daylight saving$' parse -- CET-01:00
"${tool[@]}" zones >/dev/full 2>"$err"
status=$?
checks=$((checks + 1))
[ $status -eq 1 ] && grep -q 'cannot write the output' "$err" || fail "zones > /dev/full is a failure"

# The catalogue shown in the docs is the one the library has.
"${tool[@]}" zones >"$out" 2>"$err"
checks=$((checks + 1))
if ! awk '/as `qel-tz zones` prints it/ { f = 1; next } f && /^```/ { if (n++) exit; next } f && n' \
    "$here/../docs/timezone-settings.md" | diff -q - "$out" >/dev/null; then
    fail "the zone table in docs/timezone-settings.md differs from qel-tz zones"
fi

# Places: each kind of place with its verdicts (TZ string, zic text) and status.
zic=$(command -v zic || echo /usr/sbin/zic)
if [ ! -x "$zic" ]; then
    [ -n "${QEL_REQUIRE_CONSUMERS:-}" ] && fail "zic is not installed"
    echo "zic is not installed: place commands not checked"
elif [ ${#tool[@]} -gt 1 ]; then
    # A tool run by an emulator (a build for the device) cannot start the C
    # libraries' readers it judges TZ strings with: those are programs for
    # the same machine, which only the emulator runs.
    echo "${tool[0]} runs the tool: place, places, check, diff, audit and table not checked"
elif ! "$zic" -d "$work/tz" "$here/places/places.zi" 2>"$err" || ! cp "$here/places/places.zi" "$work/tz/tzdata.zi"; then
    fail "zic did not compile tests/places/places.zi"
else
    d=(--tzdir "$work/tz" --years 2026-2036)
    t 2 err 'cannot make the folder' table --places "$work/berlin.txt" --out "$work/nope/t"
    t 0 out "window $(date -u +%Y)-01-01 00:00 to " table --places "$work/berlin.txt" --out "$work/t"
    t 0 out '"place": "Europe/Berlin", "aliases": \[\], "spans": \[\{' table --places - --json <"$work/berlin.txt"
    while read -r place status tz_verdict zic_verdict; do
        t "$status" out "^TZ verdict: +(one record: )?$tz_verdict(;|$)" place "Test/$place" "${d[@]}"
        t "$status" out "^zic verdict: +$zic_verdict$" place "Test/$place" "${d[@]}"
    done <<'EOF'
Berlin 0 exact differs
New_York 0 exact exact
Sydney 0 exact exact
Dublin 0 offsets differs
Kolkata 0 exact exact
Kathmandu 0 offsets offsets
Chatham 1 unrepresentable unrepresentable
Tokyo 0 offsets offsets
Shift 0 unrepresentable unrepresentable
Nuuk 0 unrepresentable unrepresentable
EOF
    t 0 out '\[default-taken\]$' place Test/Dublin "${d[@]}"
    t 0 out '\[negative-daylight\]$' place Test/Dublin "${d[@]}"
    t 0 out '\[abbreviation\]$' place Test/Tokyo "${d[@]}"
    t 1 out '\[offset-outside-catalogue\]$' place Test/Chatham "${d[@]}"
    t 0 out '^TZ verdict: +offsets$' place Test/Shift --tzdir "$work/tz" --years 2029-2031
    t 0 out '^window: +2030-01-01 00:00 to 2031-01-01 00:00 UTC$' place Test/Shift --tzdir "$work/tz" --years=2030
    t 0 out 'start rule M3\.5\.0/-01:00:00 written as M3\.4\.6/23:00:00 \(the same instants in 2026-2028\)' \
        place Test/Nuuk --tzdir "$work/tz" --years 2026-2028
    t 0 out '^TZ verdict: +offsets$' place Test/Nuuk --tzdir "$work/tz" --years 2026-2028
    t 0 out 'M3\.5\.0/-01:00:00 has no equivalent .* in 2026-2030 .*: M3\.4\.6/23:00:00 holds for 2026-2029 ' \
        place Test/Nuuk --tzdir "$work/tz" --years 2026-2030
    t 0 out '^TZ verdict: +exact$' check --tz 'EST5EDT,M3.2.0,M11.1.0' --place Test/New_York "${d[@]}"
    t 0 out '^record from TZ: \(none: see device-refuses-string below\)$' \
        check --tz 'EST5EDT,M3.2.0,M11.1.0' --place Test/New_York "${d[@]}"
    t 0 out '^record from TZ: zone 9500 \(UTC-05:00\), daylight saving 60 minutes from M3\.2\.0/02:00:00' \
        check --tz 'EST+05:00:00EDT+04:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00' --place Test/New_York "${d[@]}"
    t 0 out '^read by: +glibc [0-9.]+(, (musl|uClibc-ng) [0-9.]+)*( \(all this qel-tz can run: no .* reader here\))?$' \
        place Test/Berlin "${d[@]}"
    # uClibc-ng reads a string with a rule time past 24 h as UTC, newlib
    # misreads quoted names: each judges by default where a Linux device or
    # (asked for) a microcontroller would carry it.
    z=(--tzdir /usr/share/zoneinfo)
    if [ "${QELTZ_UCLIBC:-0}" = 1 ] && [ -e /usr/share/zoneinfo/Asia/Jerusalem ]; then
        t 1 out '^  - uClibc-ng [0-9.]+ reads the whole string as UTC: .*\[drops-to-utc\]$' \
            check --tz 'IST-2IDT,M3.4.4/26,M10.5.0' --place Asia/Jerusalem "${z[@]}"
        t 0 out '^TZ verdict: +exact$' check --tz 'IST-2IDT,M3.4.4/26,M10.5.0' --place Asia/Jerusalem --libc glibc,musl \
            "${z[@]}"
    fi
    if [ "${QELTZ_NEWLIB:-0}" = 1 ] && [ -e /usr/share/zoneinfo/Asia/Tashkent ]; then
        t 1 out '\[quoted-name-misread\]$' check --tz '<+05>-5' --place Asia/Tashkent --libc newlib "${z[@]}"
        t 0 out '^TZ verdict: +exact$' check --tz '<+05>-5' --place Asia/Tashkent "${z[@]}"
        t 0 out '^  newlib [0-9.]+ +[1-9][0-9]* .*Asia/Tashkent' places --libc all "${z[@]}"
    fi
    if [ "${QELTZ_MUSL:-0}" = 1 ]; then
        t 0 out '^read by: +musl [0-9.]+$' place Test/Berlin --libc musl "${d[@]}"
        # glibc takes a TZ string's rules from 1970 on only: the verdict is musl's, the worse.
        t 1 out '\[libraries-disagree\]$' check --tz CET-1CEST,M3.5.0,M10.5.0/3 --place Test/Berlin \
            --tzdir "$work/tz" --years 1969
    else
        t 2 err 'built without the musl reader' place Test/Berlin --libc musl "${d[@]}"
    fi
    # Bash completion, written from the same tables: commands, a command's
    # options, --libc's names, place names from the database on the line.
    completion=$(dirname "${tool[0]}")/qel-tz.bash
    while read -r want words; do
        checks=$((checks + 1))
        # shellcheck disable=SC2086 # the words are the line typed so far
        got=$(bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _qel_tz; echo "${COMPREPLY[*]}"' \
            _ "$completion" qel-tz $words 2>&1)
        [ "$want" = - ] && want=  # "-": nothing
        [ "$got" = "${want//,/ }" ] || fail "completion of '$words': got '$got', wanted '$want'"
    done <<ROWS
place,places pla
place,places help pla
- place --tzdir $work/tz t
--libc audit --li
uclibc-ng check --libc u
Test/Berlin place --tzdir $work/tz Test/Be
Test/New_York,Test/Nuuk check --tzdir=$work/tz --place Test/N
ROWS
    # Strings that leave their meaning to the C library: the verdict is the
    # libraries judged, with a reason that others read them otherwise; a
    # wrong one says in offsets what goes wrong.
    t 0 out '\[daylight-without-rules\]$' check --tz EST5EDT --place Test/New_York --libc glibc "${d[@]}"
    t 1 out '\[daylight-without-rules\]$' check --tz CET-1CEST --place Test/Berlin "${d[@]}"
    t 1 out '^  - TZ string as musl.*UTC\+02:00.*UTC\+01:00.*\[wrong-offset\]$' \
        check --tz CET-1CEST --place Test/Berlin "${d[@]}"
    t 0 out '\[long-name\]$' check --tz '<ABCDEFGH>-1<ABCDEFGHI>-2,M3.5.0,M10.5.0/3' --place Test/Berlin --libc glibc \
        "${d[@]}"
    # Rules without times: 02:00 for the C libraries, 00:00 for the device library.
    t 1 out 'M3.5.0.*00:00.*M10.5.0.*00:00.*\[omitted-rule-time\]$' \
        check --tz 'CET-01:00CEST-02:00,M3.5.0,M10.5.0' --place Test/Berlin "${d[@]}"
    t 1 out '^  - TZ string: .*UTC\+01:00.*UTC\+02:00.*\[wrong-offset\]$' \
        check --tz 'CET-01:00CEST-02:00,M3.5.0,M10.5.0' --place Test/Berlin "${d[@]}"

    # A decoy TZDIR: files named as TZ strings (EST5EDT, New York's rule line,
    # its record's TZ string) that are Tokyo, and a posixrules with southern
    # rules. TZ strings are read as POSIX strings only: none of it counts.
    decoy=$work/decoy
    record='EST+05:00:00EDT+04:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00'
    cp -r "$work/tz" "$decoy" && mkdir -p "$decoy/${record%/*}" && cp "$work/tz/Test/Sydney" "$decoy/posixrules"
    for name in EST5EDT 'EST5EDT,M3.2.0,M11.1.0' "$record"; do cp "$work/tz/Test/Tokyo" "$decoy/$name"; done
    export TZDIR=$decoy
    while read -r status verdict args; do
        # shellcheck disable=SC2086 # the arguments are words
        t "$status" out "^TZ verdict: +$verdict$" $args --years 2026-2036
        ! grep -q -E 'JST|UTC\+09:00|UTC\+1[01]:00' "$out" || fail "qel-tz $args: the decoy was read"
    done <<'ROWS'
0 exact check --tz EST5EDT,M3.2.0,M11.1.0 --place Test/New_York
0 exact place Test/New_York
1 differs check --tz EST5EDT --place Test/New_York
0 exact check --tz EST5EDT --place Test/New_York --libc glibc
ROWS
    unset TZDIR

    # A damaged database: random bytes after the TZif magic, a cut file, a
    # rule line with bytes above 127 and an escape character, and a place
    # whose file name has them too.
    bad=$work/damaged
    odd=$'Test/Caf\xe9\e[2J'
    python3 - "$work/tz/Test" "$bad" "$odd" <<'PY' || fail "the damaged database was not made"
import os, random, sys
good, bad, odd = sys.argv[1], os.fsencode(sys.argv[2]), os.fsencode(sys.argv[3])
tokyo = open(os.path.join(good, "Tokyo"), "rb").read()
random.seed(20)
footer = tokyo[: -len(b"JST-9\n")] + b"<\xe9\x1b[1m>-9\n"
files = {
    b"Test/Random": b"TZif2" + bytes(random.randrange(256) for _ in range(300)),
    b"Test/Cut": open(os.path.join(good, "Berlin"), "rb").read()[:60],
    b"zone1970.tab": b"",
    b"Test/Footer": footer,
    odd: footer,
}
os.makedirs(os.path.join(bad, b"Test"))
for name, data in files.items():
    open(os.path.join(bad, name), "wb").write(data)
PY
    b=(--tzdir "$bad" --years 2026-2036)
    s 1 places "${b[@]}"
    # CSV keeps a name's bytes as they are, so that it joins back.
    t 1 out $'^"?Test/Caf\xe9\e\\[2J"?,' places --csv "${b[@]}"
    s 1 places --json "${b[@]}"
    s 1 place Test/Footer "${b[@]}"
    s 1 place Test/Footer --json "${b[@]}"
    s 2 place "$odd" "${b[@]}"
    s 2 place "$odd/x" "${b[@]}"
    s 2 place Test/Cut "${b[@]}"
    s 2 check --tz '<ABC>-9' --place "$odd" "${b[@]}"
    t 1 out '^Test/Caf\\xE9\\x1B\[2J +unknown-place' places "${b[@]}"
    "${tool[@]}" places --json "${b[@]}" >"$out" 2>"$err"
    checks=$((checks + 1))
    python3 - "$out" <<'PY' || fail "places --json over the damaged database"
import json, sys
run = json.load(open(sys.argv[1], encoding="utf-8"))
kinds = {p["place"]: [r["kind"] for r in p["reasons"]] for p in run["places"]}
assert kinds["Test/Cut"] == ["damaged-zone"] and kinds["Test/Random"] == ["damaged-zone"], kinds
assert kinds["Test/Footer"] == ["not-posix"] and kinds["Test/Caf\ufffd\u001b[2J"] == ["unknown-place"], kinds
assert run["summary"]["reasons"] == {"damaged-zone": 2, "not-posix": 1, "unknown-place": 1}, run["summary"]
PY
    t 0 out '^TZ verdict: +exact$' check --tz '<+0545>-5:45' --place Test/Kathmandu "${d[@]}"
    t 0 out 'device-reads-otherwise' check --tz 'CET-01:00:00CEST,M3.5.0/02:00:00,M10.5.0/03:00:00' \
        --place Test/Berlin "${d[@]}"
    t 0 out '^TZ verdict: +exact$' check --zone -05:00 --dst 60 --start M3.2.0 --end M11.1.0 \
        --place Test/New_York "${d[@]}"
    t 1 out '^TZ verdict: +differs$' check --tz 'EST5EDT,M3.5.0,M11.1.0' --place Test/New_York "${d[@]}"
    t 1 out 'place 03:00:00 EDT \(UTC-04:00\), record 02:00:00 EST \(UTC-05:00\)' \
        check --tz 'EST5EDT,M3.5.0,M11.1.0' --place Test/New_York "${d[@]}"
    t 2 err 'not a TZ string' check --tz 'EST5EDT,M3.2.0' --place Test/New_York "${d[@]}"
    t 2 err 'unknown place Test/Nowhere' place Test/Nowhere "${d[@]}"
    t 0 out '^10 places of tz database unknown, window 2026-01-01 00:00 to 2037-01-01 00:00 UTC$' places "${d[@]}"

    # JSON for scripts (its shape is json_schema_test.py's): each reason's
    # kind the one its words say, and a summary that adds up.
    "${tool[@]}" places --json "${d[@]}" >"$out" 2>"$err"
    checks=$((checks + 1))
    python3 - "$out" <<'PY' || fail "places --json"
import collections, json, re, sys
run = json.load(open(sys.argv[1]))
rows = run["places"]
assert len(rows) == 10
assert [r["place"] for r in rows] == sorted(r["place"] for r in rows)
assert all(r["libraries"] == run["libraries"] and r["record_from_tz"] is None for r in rows)
berlin = next(r for r in rows if r["place"] == "Test/Berlin")
assert berlin["window"] == {"from": "2026-01-01T00:00:00Z", "to": "2037-01-01T00:00:00Z"} == run["window"]
assert berlin["record"]["zone"] == 10100
diff = berlin["differences"][0]
assert diff["library"] in run["libraries"], diff
words = {
    "abbreviation": "^TZ string: abbreviation ", "daylight-flag": "^TZ string: the place counts ",
    "zic-abbreviation": "^zic text: abbreviation ", "zic-daylight-flag": "^zic text: the place counts ",
    "zic-week-5": "^zic text: week 5 ", "zic-wrong-offset": "^zic text: 1 hour (ahead|behind) ",
   "default-taken": " not given| gives no time",
    "negative-daylight": "^negative daylight saving", "rule-not-held": "has no equivalent",
    "offset-outside-catalogue": "is not one of the catalogue", "no-yearly-rule": "^changes that follow no yearly rule",
}
count = collections.Counter()
for r in rows:
    for reason in r["reasons"]:
        assert re.search(words[reason["kind"]], reason["text"]), reason
    count.update({reason["kind"] for reason in r["reasons"]})
summary = run["summary"]
assert summary["places"] == 10 and sum(summary["tz_verdict"].values()) == 10, summary
assert summary["reasons"] == dict(count), (summary["reasons"], count)
assert {"zic-week-5", "negative-daylight", "default-taken", "no-yearly-rule", "rule-not-held"} <= set(count), count
PY

    # places --csv: the record's columns, where a rewrite stops holding, the links.
    t 0 out '^Test/Nuuk,unknown,2026-01-01T00:00:00Z,2029-01-01T00:00:00Z,9800,1,60,M3\.4\.6/23:00:00,M10\.5\.0/00:00:00,"[^"]*",offsets,differs,,0,2029,,' \
        places --csv --tzdir "$work/tz" --years 2026-2028

    # Two releases (tests/releases/) and a fleet against the newer one.
    for release in old new; do
        if ! "$zic" -b slim -d "$work/$release" "$here/releases/$release.zi" 2>"$err" ||
            ! cp "$here/releases/$release.zi" "$work/$release/tzdata.zi"; then
            fail "zic did not compile $release.zi"
        fi
    done
    r=(--years 2026-2030)
    fleet=$here/releases/fleet.csv
    a=(--tzdir "$work/new" --years 2027-2030)
    t 1 out '^Test/Abolish: record, also Test/AbolishLink$' diff "$work/old" "$work/new" "${r[@]}"
    t 1 out '; 4 old TZ strings go wrong, the first from 2026-03-29 00:00:00 UTC$' diff "$work/old" "$work/new" "${r[@]}" --libc glibc
    t 1 out '^8 zones changed from tz database 2026a \(9 zones\) to 2026b \(9 zones\), window 2026-01-01 00:00 to 2031-01-01 00:00 UTC .*; 4 old TZ strings go wrong, the first from 2026-03-29 00:00:00 UTC$' \
        diff "$work/old" "$work/new" "${r[@]}"
    t 1 out '^Test/Shifted,Test/ShiftedAlias,record,.*,2028-03-12T07:00:00Z,504,"\[\{""from""' diff "$work/old" "$work/new" "${r[@]}" --csv
    t 0 out '"places": \[\]\}$' diff "$work/new" "$work/new" "${r[@]}" --json
    t 0 out '^0 zones changed .*; no old TZ string goes wrong$' diff "$work/old" "$work/old" "${r[@]}"
    # A folder without the database's own files is none, whatever zone a
    # link in it leads to (as /etc's localtime does): every command says so.
    mkdir "$work/etc" && ln -s "$work/new/Test/Steady" "$work/etc/localtime" && touch "$work/etc/passwd"
    while read -r args; do
        # shellcheck disable=SC2086 # the arguments are words
        t 2 err "^qel-tz: $work/etc is no tz database" $args
    done <<ROWS
places --tzdir $work/etc
place localtime --tzdir $work/etc
check --tz UTC0 --place localtime --tzdir $work/etc
diff $work/new $work/etc
diff $work/etc $work/new
audit $fleet --tzdir $work/etc
ROWS
    t 2 err 'diff needs two folders, not an empty name' diff '' "$work/new"
    t 2 err '^qel-tz: cannot read the tz database /nonexistent: ' audit "$fleet" --tzdir /nonexistent
    t 1 err '^qel-tz: cannot write /nonexistent/p\.html: ' diff "$work/old" "$work/new" "${r[@]}" --html /nonexistent/p.html
    t 2 err '^qel-tz: --html needs a file name' audit "$fleet" --html ''
    # A damaged zone is the release's, with its damage; a name that leads to a
    # device is no zone and is never read.
    cp -R "$work/new" "$work/broken"
    head -c 60 "$work/new/Test/Abolish" >"$work/broken/Test/Abolish"
    ln -sf /dev/zero "$work/broken/Test/Steady"
    ln -s nowhere "$work/broken/Test/Dangling" && ln -s /etc/passwd "$work/broken/Test/Evil" &&
        ln -s "$work/old/Test/Steady" "$work/broken/Test/Outside" && ln -sf nowhere "$work/broken/Test/AbolishLink"
    t 1 out '^    Test/Abolish: .*TZif' diff "$work/old" "$work/broken" "${r[@]}"
    # A link that dangles or leads out of the folder (to a device, a file of
    # the machine, another release's zone) is a place with its problem.
    while read -r name kind change; do
        t 1 out "^Test/$name +$kind " places --tzdir "$work/broken" "${r[@]}"
        t 1 out "^Test/$name: $change\$" diff "$work/new" "$work/broken" "${r[@]}"
        t 1 out "\"place\": \"Test/$name\".*\"new\": {.*\"problem\": \"$kind\"}" diff "$work/new" "$work/broken" --json "${r[@]}"
        t 2 err "^qel-tz: Test/$name " place "Test/$name" --tzdir "$work/broken" "${r[@]}"
    done <<'ROWS'
Dangling dangling-link added
AbolishLink dangling-link added
Evil link-outside added
Outside link-outside added
Steady link-outside record
ROWS
    # Two folders of one release are told apart.
    t 1 out "^  2026b in $work/broken: " diff "$work/new" "$work/broken" "${r[@]}"
    # A link into the folder by its absolute path is the database's own.
    ln -s "$work/broken/Test/Added" "$work/broken/Test/Inside"
    t 0 out '^place: +Test/Inside ' place Test/Inside --tzdir "$work/broken" "${r[@]}"
    # Beside a tz column, a column named like a record column is passed over.
    t 0 out '^1 device of standard input, .* 1 exact' audit - "${a[@]}" <<<$'device,place,tz,zone\nd,Test/Added,IST-5:30,north'
    t 1 err '^qel-tz: note: 6 rows of .*fleet\.csv cannot be checked, the first on line 11$' audit "$fleet" "${a[@]}"
    t 1 out '^  line 7: gate\\x0D\\x0A4$' audit "$fleet" "${a[@]}"
    checks=$((checks + 1))
    ! LC_ALL=C grep -q '[[:cntrl:]]' "$out" || fail "audit prints a control character"
    t 1 out '^Test/Renamed, TZ string EST5EDT,M3\.2\.0,M11\.1\.0: differs from 2027-01-01 00:00:00 UTC' \
        audit - "${a[@]}" < <(sed -n '1,9p' "$fleet")
    t 0 out '^2 devices of standard input, tz database 2026b, window 2027-01-01 00:00 to 2031-01-01 00:00 UTC: 2 exact, 0 offsets, 0 differs, 0 unrepresentable, 0 invalid$' \
        audit - "${a[@]}" < <(sed -n '1p;4p;9p' "$fleet")
    # The device library's refusal of a right string is a note of the
    # summary, not a reason listed with the devices.
    t 0 out '^  note: 1 device: .*\[device-refuses-string\]$' audit - "${a[@]}" < <(sed -n '1p;4p;9p' "$fleet")
    ! grep -q -E '^  why:|^Test/' "$out" || fail "audit lists a right string the device library refuses"
    # A libc cell is a setting by the libraries it names: empty (those of
    # --libc), linux and linux,glibc are the same.
    t 1 out '^Test/Abolish, TZ string CET-1CEST: differs .*\(3 devices\)$' audit - "${a[@]}" \
        <<<$'device,place,tz,libc\na,Test/Abolish,CET-1CEST,\nb,Test/Abolish,CET-1CEST,linux\nc,Test/Abolish,CET-1CEST,"linux,glibc"'
    t 2 err 'the header row names no place column$' audit - "${a[@]}" <<<'device,tz'
    t 2 err '^qel-tz: no device in standard input' audit - "${a[@]}" <<<'device,place,tz'
    t 2 err '^qel-tz: no device in standard input' audit - "${a[@]}" <<<$'device,place,tz\r\n\n'
    t 0 err '^qel-tz: note: 1 row of standard input repeats .*kiosk-1 \(line 3\)$' audit - "${a[@]}" < <(sed -n '1p;4p;4p' "$fleet")
    "${tool[@]}" audit "$fleet" "${a[@]}" >"$out" 2>"$err"
    checks=$((checks + 1))
    [ "$(sed -n '/^rows that cannot/,/^[0-9]/s/^  line \([0-9]*\):.*/\1/p' "$out" | tr '\n' ' ')" = "11 12 13 14 15 16 " ] ||
        fail "audit lists the rows that cannot be checked out of line order"
    # A quote left open on line 11 takes in lines 12-18, up to the next quote:
    # the row's reason names the lines, the summary counts them.
    seq 29 | sed 's|.*|dev-&,Test/Abolish,CET-1|; 10s|,|,"|; 17s|CET-1$|"CET-1CEST,M3.5.0,M10.5.0/3"|
        1i device,place,tz' >"$work/broken.csv"
    t 1 out '^  line 11: dev-10, .*11.* 18.* 12-18 ' audit "$work/broken.csv" "${a[@]}"
    t 1 out '^  30 lines: .* 8 lines' audit "$work/broken.csv" "${a[@]}"
    t 1 err '^qel-tz: note: 1 row of standard input cannot be checked, on line 3$' audit - "${a[@]}" \
        <<<$'device,place,tz\nd,Test/Added,IST-5:30\ne,Test/Added,'
    # CSV keeps a device's bytes: a backslash, a CR LF inside quotes.
    "${tool[@]}" audit "$fleet" "${a[@]}" --csv >"$out" 2>"$err"
    checks=$((checks + 1))
    python3 -c 'import sys; assert b"\n\"gate\r\n4\",7," in open(sys.argv[1], "rb").read()' "$out" ||
        fail "audit --csv rewrote a device's bytes"
    checks=$((checks + 1))
    grep -q -E '^qel-tz: note: 13 devices of .*fleet\.csv on 16 lines: .*2 lines \(.*7\)' "$err" ||
        fail "audit --csv does not count the lines of a row over several"

    t 2 err 'cannot read the fleet file .*/none\.csv' audit "$work/none.csv" "${a[@]}"

    # JSON: the verdicts and instants of the fixtures, null where nothing applies.
    "${tool[@]}" diff --json "$work/old" "$work/new" "${r[@]}" >"$work/diff.json" 2>"$err"
    "${tool[@]}" audit --json "$fleet" "${a[@]}" >"$out" 2>"$err"
    checks=$((checks + 1))
    python3 - "$work/diff.json" "$out" <<'PY' || fail "diff --json, audit --json"
import json, sys
diff, audit = (json.load(open(name)) for name in sys.argv[1:])
assert diff["old"] == "2026a", diff
assert audit["window"] == {"from": "2027-01-01T00:00:00Z", "to": "2031-01-01T00:00:00Z"}
diff, summary, audit = diff["places"], audit["summary"], audit["devices"]
kinds = ("devices", "exact", "offsets", "differs", "unrepresentable", "invalid")
assert {k: summary[k] for k in kinds} == {"devices": 13, "exact": 2, "offsets": 0, "differs": 5, "unrepresentable": 0,
                                        "invalid": 6}, summary
assert summary["places"]["Test/Shifted"] == {"exact": 0, "offsets": 0, "differs": 2, "unrepresentable": 0, "invalid": 1}
assert summary["reasons"] == {"wrong-offset": 5, "device-refuses-string": 4, "invalid-row": 6}, summary
assert summary["lines"] == {"file": 16, "header": 1, "blank": 1, "multiline_rows": 1, "in_multiline_rows": 2,
                            "first_multiline_row": 7} and summary["duplicate_devices"] == 0, summary
assert [(d["place"], d["change"], d["wrong_from"], d["hours_wrong"], d["old"] is None, d["new"] is None)
        for d in diff] == [("Test/Retimed", "record", "2026-03-29T00:00:00Z", 10, False, False),
                           ("Test/Abandon", "record", "2027-03-28T01:00:00Z", 20664, False, False),
                           ("Test/Abolish", "record", "2027-03-28T01:00:00Z", 20664, False, False),
                           ("Test/Shifted", "record", "2028-03-12T07:00:00Z", 504, False, False),
                           ("Test/Added", "added", None, None, True, False),
                           ("Test/Lunar", "verdict", None, None, False, False),
                           ("Test/Removed", "removed", None, 0, False, True),
                           ("Test/Renamed", "names", None, 0, False, False)], diff
# What to send, to the wrong devices only: a schedule, each span right over itself.
sends = [row["schedule"] and [s["tz"] for s in row["schedule"]] for row in audit]
assert [(row["line"], row["verdict"], row["wrong_from"]) for row in audit] == [
    (2, "differs", "2027-03-28T01:00:00Z"), (3, "differs", "2027-03-28T01:00:00Z"), (4, "exact", None),
    (5, "differs", "2027-01-01T00:00:00Z"), (6, "differs", "2028-03-12T07:00:00Z"),
    (7, "differs", "2028-03-12T07:00:00Z"), (9, "exact", None)] + [(n, "invalid", None) for n in range(11, 17)], audit
assert sends[:4] == [["CET-01:00"], ["CET-01:00"], None, ["MSK-03:00"]] and sends[6:] == [None] * 7, sends
shifted = audit[4]["schedule"]
assert len(shifted) == 3 and all(s["tz"] for s in shifted) and shifted[0]["from"] == "2027-01-01T00:00:00Z"
assert all(a["until"] == b["from"] for a, b in zip(shifted, shifted[1:])) and shifted[-1]["until"] == "2031-01-01T00:00:00Z"
assert audit[5]["device"] == "gate\r\n4"
assert all(row["reasons"] and row["hours_wrong"] is None for row in audit[7:])
PY

    # One engine: for the same place, string, window and libraries, check,
    # place, places, audit and diff give the same verdict, wrong_from and
    # hours_wrong; among the strings one musl reads worse than glibc.
    checks=$((checks + 1))
    python3 - "${tool[@]}" "$work" <<'PY' || fail "the commands disagree"
import json, subprocess, sys
tool, work = sys.argv[1:-1], sys.argv[-1]
w = ["--years", "2027-2030"]
def run(*args):
    return json.loads(subprocess.run([*tool, *args, *w, "--json"], capture_output=True, text=True).stdout)
def key(j, verdict="tz_verdict"):
    return (j.get(verdict), j["wrong_from"], j["hours_wrong"])
def old_tz(place):
    return run("place", place, "--tzdir", work + "/old")["tz"] if place != "Test/Added" else None
pairs = [("Test/Abolish", old_tz("Test/Abolish")), ("Test/Shifted", old_tz("Test/Shifted")),
         ("Test/Steady", "CET-1CEST"), ("Test/Steady", "CET-1CEST,M3.5.0,M10.5.0/3"), ("Test/Added", "IST-05:30"),
         ("Test/Added", "IST-05:30:00")]
new = ["--tzdir", work + "/new"]
fleet = "device,place,tz\n" + "".join(f"d{i},{p},\"{t}\"\n" for i, (p, t) in enumerate(pairs))
audit = json.loads(subprocess.run([*tool, "audit", "-", *new, *w, "--json"], input=fleet, capture_output=True,
                                  text=True).stdout)["devices"]
diff = {d["place"]: d for d in run("diff", work + "/old", work + "/new")["places"]}
places = {p["place"]: p for p in run("places", *new)["places"]}
bad = []
for (place, tz), device in zip(pairs, audit):
    check = run("check", "--tz", tz, "--place", place, *new)
    want = key(check)
    seen = {"audit": key(device, "verdict")}
    if tz == old_tz(place):
        seen["diff"] = (want[0], diff[place]["wrong_from"], diff[place]["hours_wrong"])
    if tz == places[place]["tz"]:
        seen["places"] = key(places[place])
        seen["place"] = key(run("place", place, *new))
    bad += [(place, tz, name, got, want) for name, got in seen.items() if got != want]
    if tz == "CET-1CEST":
        musl = [c for c in check["differences"] if c["library"].startswith("musl")]
        assert want[0] == "differs" and musl and want[1] == musl[0]["utc"], check
assert not bad and len(diff) > 2, bad
PY

    # Every column of each CSV output is documented, in order.
    for doc in places:places releases:diff releases:audit; do
        case ${doc#*:} in
        places) "${tool[@]}" places --csv --tzdir "$work/new" >"$out" 2>"$err" ;;
        diff) "${tool[@]}" diff --csv "$work/old" "$work/new" >"$out" 2>"$err" ;;
        audit) "${tool[@]}" audit --csv "$fleet" "${a[@]}" >"$out" 2>"$err" ;;
        esac
        checks=$((checks + 1))
        documented=$(awk -v m="columns of \`qel-tz ${doc#*:} --csv\`" 'index($0, m) { f = 1; next }
            f && /^\| `/ { split($0, c, "`"); printf "%s%s", n++ ? "," : "", c[2]; next } f && n { exit }' \
            "$here/../docs/${doc%:*}.md")
        [ "$(head -n 1 "$out")" = "$documented" ] || fail "the columns of ${doc#*:} --csv differ from docs/${doc%:*}.md"
    done
fi

echo "qel-tz: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
