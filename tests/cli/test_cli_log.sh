#!/usr/bin/env bash
# log: a project's history newest first, tab-separated or JSON, --grep and
# --since, the whole workspace searched, and what the command line refuses.
source "$(dirname "$0")/lib.sh" "$1"

# Dates as the C locale writes them (the tests run in C.UTF-8).
write_data "$WS/Acme/Pump/version 1" "checked in" "" anna "1 Mar 2026 09:00:00" "Base plate"
write_data "$WS/Acme/Pump/Version 2" "checked in" "version 1" bert "5 Mar 2026 10:00:00" \
    $'Crane added\r\nwith a\tjib'
write_data "$WS/Acme/Pump/Version 3" "checked out" "Version 2" carla "7 Mar 2026 11:00:00" ""
mkdir -p "$WS/Acme/Pump/Version 4"
write_data "$WS/Acme/Pump/Version 5" "checked in" "version 1" dmitri "some day" "Undated work"
write_data "$WS/Acme/Dock/version 1" "checked in" "" anna "4 Mar 2026 08:00:00" "crane base"
write_data "$WS/Berg/Hut/version 1" "checked in" "" eve "2 Mar 2026 12:00:00" "Roof"
run rebuild
expect_rc 0 "rebuild"
catalogue_before=$(cat "$WS/QuorvelConfig.xml")

# --- one project's history ------------------------------------------------------
run log Acme Pump
expect_rc 0 "log"
expect_eq "$ERR" "" "log writes nothing to stderr"
# Undated versions stand by their number; a tab in a description is a blank.
expect_eq "$OUT" "Version 5	version 1	checked in	dmitri	some day	Undated work
Version 4		checked in			
Version 3	Version 2	checked out	carla	7 Mar 2026 11:00:00	
Version 2	version 1	checked in	bert	5 Mar 2026 10:00:00	Crane added
version 1		checked in	anna	1 Mar 2026 09:00:00	Base plate" "log, newest first"

run log acme PUMP
expect_rc 0 "log finds names in any letter case"
expect_eq "$(wc -l <<<"$OUT")" "5" "log acme PUMP"

# shellcheck disable=SC2016
for case in "crane|Version 2" "CARLA|Version 3" "version 4|Version 4" "JIB|Version 2" \
    "harbour|"; do
    run log Acme Pump --grep "${case%%|*}"
    expect_rc 0 "log --grep ${case%%|*}"
    expect_eq "$(cut -f1 <<<"$OUT")" "${case#*|}" "log --grep ${case%%|*}"
done
run log Acme Pump --grep=base
expect_eq "$(cut -f1 <<<"$OUT")" "version 1" "log --grep=TEXT"

run log Acme Pump --since 2026-03-05
expect_rc 0 "log --since"
expect_eq "$(cut -f1 <<<"$OUT" | tr '\n' ,)" "Version 3,Version 2," \
    "--since keeps that day and later, no undated version"
run log --since 2026-03-01 --grep a Acme Pump
expect_eq "$(cut -f1 <<<"$OUT" | tr '\n' ,)" "Version 3,Version 2,version 1," \
    "--since and --grep together, before the names"

# --- JSON -----------------------------------------------------------------------
run log Acme Pump --grep crane --json
expect_rc 0 "log --json"
expect_contains "$OUT" '"workspace": "'"$WS"'/"' "--json names the workspace"
expect_contains "$OUT" '"client": "Acme",
      "project": "Pump",
      "name": "Version 2",
      "number": 2,
      "state": "checked in",
      "parent": "version 1",
      "datetime": "5 Mar 2026 10:00:00",
      "when": "2026-03-05T10:00:00",
      "owner": "bert",
      "description": "Crane added\r\nwith a\tjib"' "--json holds the whole record"
if command -v jq >/dev/null; then
    run log Acme Pump --json
    expect_eq "$(jq -r '[.versions[] | .name + "=" + .when] | join(",")' <<<"$OUT")" \
        "Version 5=,Version 4=,Version 3=2026-03-07T11:00:00,Version 2=2026-03-05T10:00:00,version 1=2026-03-01T09:00:00" \
        "--json, newest first, when empty where the date cannot be read"
fi

# --- the whole workspace ----------------------------------------------------------
run log --grep CRANE
expect_rc 0 "log --grep without a project"
expect_eq "$OUT" "Acme	Pump	Version 2	version 1	checked in	bert	5 Mar 2026 10:00:00	Crane added
Acme	Dock	version 1		checked in	anna	4 Mar 2026 08:00:00	crane base" \
    "the workspace's check-ins, newest first, with client and project"
run log --grep e --since 2026-03-02 --json
if command -v jq >/dev/null; then
    expect_eq "$(jq -r '[.versions[] | .client + "/" + .project + "/" + .name] | join(",")' <<<"$OUT")" \
        "Acme/Pump/Version 3,Acme/Pump/Version 2,Acme/Dock/version 1,Berg/Hut/version 1" \
        "--json over the workspace"
fi
run log --grep nothing-like-this
expect_rc 0 "a search that finds nothing"
expect_eq "$OUT" "" "nothing found, nothing printed"
expect_eq "$(cat "$WS/QuorvelConfig.xml")" "$catalogue_before" "log changes no file"

# --- names not found, ambiguous -----------------------------------------------------
mkdir -p "$WS/Berg/Kite/version 1" "$WS/Berg/KITE/version 1"
run rebuild
run log Acme Harbour
expect_rc 1 "log of a project not there"
expect_eq "$ERR" "not found: Harbour" "not found"
run log Berg kite
expect_rc 1 "log of an ambiguous name"
expect_eq "$ERR" '"kite" is ambiguous: Kite, KITE' "ambiguous"

# --- a data file that cannot be read ------------------------------------------------
# A link to itself: there, but it cannot be opened.
ln -sf QuorvelConfig.xml "$WS/Berg/Hut/version 1/QuorvelConfig.xml"
write_data "$WS/Berg/Hut/Version 2" "checked in" "version 1" eve "3 Mar 2026 12:00:00" "Crane hut"
run rebuild
run log Berg Hut
expect_rc 1 "log past a data file that cannot be read"
expect_contains "$ERR" "The data file of Berg/Hut/version 1 could not be read: " \
    "log names what it could not read"
expect_eq "$OUT" "Version 2	version 1	checked in	eve	3 Mar 2026 12:00:00	Crane hut" \
    "log shows everything else"
run log --grep "crane hut"
expect_rc 1 "the workspace search past a data file that cannot be read"
expect_contains "$ERR" "The data file of Berg/Hut/version 1 could not be read: " \
    "the search names what it could not read"
expect_eq "$(cut -f3 <<<"$OUT")" "Version 2" "the search shows what it found"

# --- the command line -------------------------------------------------------------
run_raw --help
grep -qE "^  log +[A-Z]" "$TMP/out" || fail "--help does not list log"
bad_line() {
    local what=$1 message=$2
    shift 2
    run "$@"
    expect_rc 2 "$what"
    expect_eq "$OUT" "" "$what: stdout"
    expect_eq "$ERR" "quorvel-cli: $message
Try 'quorvel-cli --help'." "$what: stderr"
}
needs="log needs CLIENT PROJECT, or --grep TEXT to search the whole workspace"
bad_line "log alone" "$needs" log
bad_line "log with a client alone" "$needs" log Acme
bad_line "log --since without --grep or project" "$needs" log --since 2026-03-01
bad_line "an empty --grep" "--grep needs a text to search for" log --grep ""
bad_line "--grep twice" "give --grep once" log --grep a --grep b
bad_line "--grep without a value" "option --grep needs a value" log Acme Pump --grep
bad_line "--grep on another command" "list has no option --grep" list --grep a
for date in 5/3/2026 2026-3-5 2026-02-30 2026-03-05T10:00 yesterday " 2026-03-05"; do
    bad_line "--since $date" \
        "--since needs a date as YYYY-MM-DD, for example 2026-12-01, not \"$date\"" \
        log Acme Pump --since "$date"
done
WS="$TMP/none"
bad_line "a wrong line opens no workspace" "$needs" log
expect_no_file "$WS" "no workspace made"
run log --grep x
expect_rc 1 "log on a workspace that is not there"
expect_no_file "$WS" "log makes no workspace"

finish
