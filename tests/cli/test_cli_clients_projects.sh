#!/usr/bin/env bash
# Clients and projects: new, rename and delete, with the program's own
# refusals and confirmations.
source "$(dirname "$0")/lib.sh" "$1"

# --- new-client -------------------------------------------------------------
run new-client Acme
expect_rc 0 "new-client Acme"
expect_eq "$ERR" "" "new-client Acme: stderr"
[ -d "$WS/Acme" ] || fail "folder Acme was not created"
grep -q 'name="Acme"' "$WS/QuorvelConfig.xml" || fail "the catalogue file does not hold Acme"

run new-client acme
expect_rc 1 "a taken name, other letter case"
expect_eq "$ERR" "name acme already exists." "taken name message"
expect_no_file "$WS/acme" "a refused name makes no folder"

run new-client 'A/B'
expect_rc 1 "a forbidden character"
expect_eq "$ERR" 'A Client or Project name may not contain any of the following \ / : * ? "" < > |"   Characters ' \
    "forbidden character message, once"

run new-client '   '
expect_rc 1 "a blank name"
expect_eq "$ERR" "A Client or Project name may not be empty." "empty name message"

run new-client '  Spaced  '
expect_rc 0 "a name with blanks around it"
[ -d "$WS/  Spaced  " ] || fail "the new client's name keeps its blanks"

# --- new-project ------------------------------------------------------------
run new-project Acme Harbour
expect_rc 0 "new-project"
[ -d "$WS/Acme/Harbour/version 1" ] || fail "the project's first version folder is missing"
expect_no_file "$WS/Acme/Harbour/version 1/QuorvelConfig.xml" "the first version has no data file"

run new-project ACME Crane
expect_rc 0 "client names match whatever the letter case"
[ -d "$WS/Acme/Crane/version 1" ] || fail "project under ACME went elsewhere"

run new-project Acme harbour
expect_rc 1 "a taken project name"
expect_eq "$ERR" "name harbour already exists." "taken project name message"

run new-project Nobody Harbour
expect_rc 1 "new-project for a missing client"
expect_eq "$ERR" "not found: Nobody" "missing client message"

# --- rename -----------------------------------------------------------------
run rename-client Acme Zenith
expect_rc 0 "rename-client"
[ -d "$WS/Zenith/Harbour/version 1" ] || fail "the renamed client's folder does not hold its projects"
expect_no_file "$WS/Acme" "the old client folder"
run list
expect_contains "$OUT" "Zenith" "list after rename"

run rename-client Zenith ZENITH
expect_rc 1 "renaming to the same name in other letter case"
expect_eq "$ERR" "name ZENITH already exists." "the client finds itself"

run rename-client Zenith '  Nova  '
expect_rc 0 "rename with blanks around the new name"
[ -d "$WS/Nova" ] || fail "blanks around a new name are dropped"

# A folder of that name that the catalogue does not know: the rename fails.
mkdir "$WS/Stray"
run rename-client Nova Stray
expect_rc 1 "rename onto an existing folder"
expect_eq "$ERR" "Rename folder $WS/Nova/, to folder $WS/Stray failed." "failed rename message"
[ -d "$WS/Nova/Harbour" ] || fail "a failed rename leaves the folder alone"

run rename-project Nova Harbour Port
expect_rc 0 "rename-project"
[ -d "$WS/Nova/Port/version 1" ] || fail "the project folder was not renamed"

run rename-project Nova Nothing Port2
expect_rc 1 "rename-project of a missing project"
expect_eq "$ERR" "not found: Nothing" "missing project message"

# --- delete -----------------------------------------------------------------
# Without a terminal and without --yes, the answer is No.
run delete-project Nova Port
expect_rc 1 "delete-project answered No"
expect_eq "$(head -n 1 <<<"$ERR")" "Delete Project Port?" "the project question"
[ -d "$WS/Nova/Port" ] || fail "No must leave the project"
run list
expect_contains "$OUT" "  Port" "No leaves the project in the catalogue"

run --yes delete-project Nova Port
expect_rc 0 "delete-project --yes"
expect_no_file "$WS/Nova/Port" "the deleted project folder"
[ -d "$XDG_DATA_HOME/Trash/files/Port" ] || fail "the project folder is not in the trash"
run list
[[ "$OUT" != *"Port"* ]] || fail "the deleted project is still listed"

# On a terminal the question is asked there.
run_on_terminal $'n\n' "'$CLI' -w '$WS' delete-client Nova"
expect_eq "$RC" 1 "delete-client answered n on the terminal"
expect_contains "$OUT" "Delete client Nova with all 1 projects?" "the client question"
[ -d "$WS/Nova" ] || fail "n must leave the client"

run_on_terminal $'y\n' "'$CLI' -w '$WS' delete-client Nova"
expect_eq "$RC" 0 "delete-client answered y on the terminal"
expect_no_file "$WS/Nova" "the deleted client folder"
run list
[[ "$OUT" != *"Nova"* ]] || fail "the deleted client is still listed"

run delete-client Nobody
expect_rc 1 "delete of a missing client"
expect_eq "$ERR" "not found: Nobody" "missing client on delete"

finish
