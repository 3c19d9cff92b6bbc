#!/usr/bin/env bash
# Where letter case tells folders apart, a name finds the item of exactly
# that name; one that matches several only without regard to case is
# refused.
source "$(dirname "$0")/lib.sh" "$1"

mkdir -p "$WS/acme" "$WS/Acme"
for project in Harbour harbour; do
    write_data "$WS/Beta/$project/Version 2" "checked out" "version 1" "$ME" "1-1-2020 10:00:00" ""
done
# The other spelling comes first in the catalogue, where a lookup that
# ignores case would stop.
{
    printf '<Clients count="3" >\r'
    for client in acme Acme; do
        printf '<Client name="%s">\r\r<Projects count="0" >\r</Projects>\r</Client>\r' "$client"
    done
    printf '<Client name="Beta">\r\r<Projects count="2" >\r'
    for project in Harbour harbour; do
        printf '<Project name="%s">\r\r<Versions count="1" >\r' "$project"
        printf '<Version name="Version 2">\r\r</Version>\r</Versions>\r</Project>\r'
    done
    printf '</Projects>\r</Client>\r</Clients>\r\n'
} >"$WS/QuorvelConfig.xml"

run --yes undo-checkout Beta HARBOUR 2
expect_rc 1 "a project name that two projects match without regard to case"
expect_eq "$ERR" '"HARBOUR" is ambiguous: Harbour, harbour' "the ambiguity message"
[ -d "$WS/Beta/Harbour/Version 2" ] && [ -d "$WS/Beta/harbour/Version 2" ] ||
    fail "an ambiguous name must leave both versions"

run --yes undo-checkout Beta harbour 2
expect_rc 0 "undo-checkout of the exactly named project"
expect_no_file "$WS/Beta/harbour/Version 2" "the exactly named project's version"
[ -f "$WS/Beta/Harbour/Version 2/QuorvelConfig.xml" ] || fail "the other project's version was touched"

run --yes delete-client ACME
expect_rc 1 "a client name that two clients match without regard to case"
expect_eq "$ERR" '"ACME" is ambiguous: acme, Acme' "the client ambiguity message"

run --yes delete-client Acme
expect_rc 0 "delete-client of the exactly named client"
expect_no_file "$WS/Acme" "the exactly named client's folder"
[ -d "$XDG_DATA_HOME/Trash/files/Acme" ] || fail "Acme is not in the trash"
[ -d "$WS/acme" ] || fail "the other client was deleted"

finish
