#!/usr/bin/env bash
# Which workspace is opened, how the catalogue is listed and rebuilt, and
# that every command ends with the catalogue saved.
source "$(dirname "$0")/lib.sh" "$1"

# --- the workspace ------------------------------------------------------------
# Without -w and without settings: the program's default beside the program.
run_raw new-client Acme
expect_rc 0 "new-client in the default workspace"
[ -d "$TMP/bin/Projects/Acme" ] || fail "the default workspace is Projects beside the program"
expect_no_file "$TMP/bin/quorvel.Ini" "the settings file is never written"

# The workspace the settings name, and the settings file stays as it was.
mkdir -p "$TMP/stored/Globex/Dam/version 1"
printf '[Project]\r\nShutDown=0\r\nWorkspace=%s/\r\nViewStyle=2\r\n[Recent opened]\r\nItems=0\r\n' \
    "$TMP/stored" >"$TMP/bin/quorvel.Ini"
cp "$TMP/bin/quorvel.Ini" "$TMP/settings-before"
run_raw list
expect_rc 0 "list in the stored workspace"
expect_eq "$OUT" $'Globex\n  Dam\n    version 1\tchecked in' "the stored workspace is opened"
cmp -s "$TMP/bin/quorvel.Ini" "$TMP/settings-before" || fail "the settings file was written"
# A command that only reads writes nothing, not even the catalogue it rebuilt.
expect_no_file "$TMP/stored/QuorvelConfig.xml" "list writes no catalogue"

# A relative -w is taken from the current folder.
(cd "$TMP" && "$CLI" -w rel/ws new-client Initech >/dev/null 2>&1) || fail "relative -w"
[ -d "$TMP/rel/ws/Initech" ] || fail "relative -w is taken from the current folder"

# A folder that cannot be made is an error, and nothing is saved there.
touch "$TMP/a-file"
WS="$TMP/a-file/ws"
run new-client Zed
expect_rc 1 "a workspace that cannot be made"
expect_eq "$ERR" "can not create workspace $TMP/a-file/ws/, please select another workspace." \
    "the workspace error, as the error box shows it"
WS="$TMP/ws"

# --- list -------------------------------------------------------------------------
mkdir -p "$WS/Acme/Pump/version 1" "$WS/Acme/Pump/Version 2" "$WS/Acme/Crane/version 1"
write_data "$WS/Acme/Pump/version 1" "checked in" "" "jan" "2-3-2024 09:15:00" $'first\r\ncut "a" \\ b'
write_data "$WS/Acme/Pump/Version 2" "checked out" "version 1" "jan" "3-3-2024 10:00:00" ""
run list
expect_rc 0 "list"
# The folder order of the rebuild is the file system's; compare it sorted.
sorted=$(sort <<<"$OUT")
expected=$(sort <<<"Acme
  Pump
    version 1	checked in
    version 1 checked out by jan	checked out
  Crane
    version 1	checked in")
expect_eq "$sorted" "$expected" "list shows every item, versions by display name and state"

run list --json
expect_rc 0 "list --json"
expect_eq "$(head -n 2 <<<"$OUT")" $'{\n  "workspace": "'"$WS"'/",' "the JSON document starts with the workspace"
pump=$(sed -n '/"name": "Pump"/,/^        }/p' <<<"$OUT")
expected_pump='          "name": "Pump",
          "versions": ['
expect_contains "$pump" "$expected_pump" "a project's versions"
expect_contains "$pump" '"name": "version 1",
              "number": 1,
              "state": "checked in",
              "parent": "",
              "editor": "",
              "datetime": "2-3-2024 09:15:00",
              "owner": "jan",
              "description": "first\r\ncut \"a\" \\ b"' "a version in JSON, escaped"
expect_contains "$pump" '"name": "Version 2",
              "number": 2,
              "state": "checked out",
              "parent": "version 1"' "a checked-out version in JSON"
if command -v jq >/dev/null; then
    jq -e '.clients[0].projects | length == 2' <<<"$OUT" >/dev/null || fail "list --json is no valid JSON"
    # A document written out in pieces as it grows: the same bytes, across
    # every piece boundary, as jq's layout of the whole.
    for n in $(seq 1 500); do
        write_data "$TMP/big/Acme/Pump/Version $n" "checked in" "" "jan" "2-3-2024 09:15:00" "work $n é, and what was done on the day, at length"
    done
    "$CLI" -w "$TMP/big" list --json >"$TMP/big.json" 2>/dev/null || fail "list --json of 500 versions"
    [ "$(stat -c %s "$TMP/big.json")" -gt 131072 ] || fail "the large document spans several pieces"
    jq . "$TMP/big.json" | cmp -s - "$TMP/big.json" || fail "list --json in pieces is one whole document"
fi

# --- rebuild -------------------------------------------------------------------------
mkdir -p "$WS/Zeta/Lab/version 1" "$WS/Zeta/Lab/Old"
run rebuild
expect_rc 0 "rebuild"
expect_eq "$OUT" "2 clients, 3 projects, 5 versions" "rebuild counts"
grep -q 'name="Zeta"' "$WS/QuorvelConfig.xml" || fail "rebuild saves the catalogue"

mkdir "$WS/Solo"
run rebuild
expect_eq "$OUT" "3 clients, 3 projects, 5 versions" "a client without projects"

# On a terminal the item being built is shown on a status line.
run_on_terminal "" "'$CLI' -w '$WS' rebuild"
expect_eq "$RC" 0 "rebuild on a terminal"
expect_contains "$OUT" "Build item: " "rebuild shows progress on a terminal"
expect_contains "$OUT" "3 clients, 3 projects, 5 versions" "the count after progress"

# A folder the scan cannot read (its path is too long for the system): the
# error is shown, what was found stays, and the run is no success.
deep="$TMP/deep"
segment=$(printf 'd%.0s' {1..200})
mkdir -p "$deep"
(
    cd "$deep"
    for _ in $(seq 1 18); do
        mkdir "$segment"
        cd "$segment"
    done
    mkdir -p "ws/$(printf 'c%.0s' {1..250})"
    cd "ws/$(printf 'c%.0s' {1..250})"
    mkdir "$(printf 'p%.0s' {1..250})"
    pwd >"$TMP/deep-client"
)
deep_ws=$(dirname "$(cat "$TMP/deep-client")")
set +e
"$CLI" -w "$deep_ws" rebuild </dev/null >"$TMP/out" 2>"$TMP/err"
RC=$?
set -e
expect_rc 1 "rebuild with a folder that cannot be read"
expect_eq "$(cat "$TMP/out")" "1 client, 1 project, 0 versions" "the items found before the error"
expect_contains "$(cat "$TMP/err")" "$deep_ws/" "the scan error on stderr names the folder"

# --- output that cannot be written ----------------------------------------------------
set +e
"$CLI" -w "$WS" list >/dev/full 2>"$TMP/err"
RC=$?
set -e
expect_rc 1 "list to a full disk"
expect_contains "$(cat "$TMP/err")" "write error" "a lost output is reported"

# A reader that stops early is no failure, and the run still ends properly.
set +e
"$CLI" -w "$WS" list 2>"$TMP/err" | head -n 1 >/dev/null
RC=${PIPESTATUS[0]}
set -e
expect_rc 0 "list into a pipe closed early"

# --- saving ---------------------------------------------------------------------------
# A catalogue file that cannot be written is an error, never a success.
rm "$WS/QuorvelConfig.xml"
mkdir "$WS/QuorvelConfig.xml"
run new-client Zed
expect_rc 1 "a catalogue that cannot be saved"
expect_contains "$ERR" "$WS/QuorvelConfig.xml" "the save failure is shown"

finish
