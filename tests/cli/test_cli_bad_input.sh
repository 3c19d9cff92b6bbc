#!/usr/bin/env bash
# Input that is refused or read past: the file system's root or a file as
# the workspace, names whose paths would pass the system's limit, and
# arguments that are not UTF-8 text.
source "$(dirname "$0")/lib.sh" "$1"

# --- the root of the file system and files are no workspace ------------------
# Only commands that read run at the root: were it taken, nothing is written.
root_refused="The root folder / can not be a workspace: every folder on the disk would be taken for a client. Please select another workspace."
WS=/
run list
expect_rc 1 "list at the root"
expect_eq "$ERR" "$root_refused" "the root given with -w"
expect_eq "$OUT" "" "nothing is listed at the root"
printf '[Project]\r\nShutDown=0\r\nWorkspace=/\r\n' >"$TMP/bin/quorvel.Ini"
run_raw status
expect_rc 1 "status at the root the settings name"
expect_eq "$ERR" "$root_refused" "the root the settings name"
rm "$TMP/bin/quorvel.Ini"

touch "$TMP/a-file"
WS="$TMP/a-file"
run new-client Acme
expect_rc 1 "a file as the workspace"
expect_eq "$ERR" "$TMP/a-file is a file, not a folder, so it can not be a workspace. Please select another workspace." \
    "a file is refused as such"

# --- names whose paths would be too long ---------------------------------------
# A workspace folder whose path, with its closing "/", is 3900 bytes long.
WS="$TMP"
while [ $((3899 - ${#WS})) -gt 201 ]; do
    WS="$WS/$(printf 'd%.0s' {1..200})"
done
WS="$WS/$(printf 'e%.0s' $(seq 1 $((3899 - ${#WS} - 1))))"
mkdir -p "$WS"
[ ${#WS} -eq 3899 ] || fail "the deep workspace is ${#WS} bytes long"
run new-client Acme
expect_rc 0 "new-client in a deep workspace"
# "Acme/", the name, "/version 1/QuorvelConfig.xml.XXXXXX": one byte too many.
run new-project Acme "$(printf 'p%.0s' {1..156})"
expect_rc 1 "new-project whose data file would pass the limit"
expect_eq "$ERR" "A Client or Project name may not be longer than 155 bytes here: the paths of its files would be longer than the system's limit of 4095 bytes." \
    "the refusal says how long a name may be"
expect_eq "$(ls "$WS/Acme")" "" "nothing is made for a refused name"

# Made by hand: the version folder fits, its data file does not.
long=$(printf 'q%.0s' {1..170})
mkdir -p "$WS/Acme/$long/version 1" "$WS/Acme/Pump/version 1"
write_data "$WS/Acme/Pump/Version 2" "checked out" "version 1" "$ME" "3-3-2024 10:00:00" ""
run rebuild
expect_rc 0 "rebuild past a data file that cannot be opened"
unreadable="The data file of Acme/$long/version 1 could not be read: Cannot open file \"$WS/Acme/$long/version 1/QuorvelConfig.xml\". File name too long."
run list
expect_rc 1 "list with a version that cannot be read"
expect_eq "$ERR" "$unreadable" "list names what it could not read"
expect_eq "$(sort <<<"$OUT")" "$(sort <<<"Acme
  $long
  Pump
    version 1	checked in
    version 1 checked out by $ME	checked out")" "list shows everything else"
run list --json
expect_rc 1 "list --json with a version that cannot be read"
expect_eq "$ERR" "$unreadable" "list --json names what it could not read"
if command -v jq >/dev/null; then
    expect_eq "$(jq -r '[.clients[0].projects[] | .name + ":" + (.versions | length | tostring)] | sort | join(" ")' <<<"$OUT")" \
        "Pump:2 $long:0" "list --json leaves out only what it could not read"
fi
run status
expect_rc 1 "status with a version that cannot be read"
expect_eq "$ERR" "$unreadable" "status names what it could not read"
expect_eq "$OUT" "Acme	Pump	Version 2	$ME	3-3-2024 10:00:00" "status shows the other check-outs"

# --- arguments that are not UTF-8 text ----------------------------------------------
WS="$TMP/fresh"
run new-client $'caf\xe9'
expect_rc 2 "a name that is not UTF-8"
expect_eq "$ERR" $'quorvel-cli: the argument "caf\\xE9" is not UTF-8 text, so it cannot be taken as a name; give it in UTF-8\nTry \'quorvel-cli --help\'.' \
    "the argument is shown with its byte"
expect_no_file "$WS" "nothing is opened for a wrong command line"
run_raw -w $'/tmp/\xff' list
expect_rc 2 "a workspace path that is not UTF-8"

finish
