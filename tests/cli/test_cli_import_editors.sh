#!/usr/bin/env bash
# Importing into a first version, and the editor registry: list, register,
# open a version.
source "$(dirname "$0")/lib.sh" "$1"

run new-client Acme
run new-project Acme Fresh
run new-project Acme Plain
run new-project Acme Busy
run checkout Acme Busy 1

# --- import -------------------------------------------------------------------
src="$TMP/export"
mkdir -p "$src/Program Data/settings" "$src/Corvane Projects/p1" "$src/Other"
echo "config" >"$src/Program Data/settings/a.cfg"
echo "model" >"$src/Corvane Projects/p1/model.dat"
echo "not taken" >"$src/Other/x.txt"
run import Acme Fresh 1 "$src"
expect_rc 0 "import of the recognised layout"
expect_eq "$ERR" "Import succeeded" "the import's own message"
v1="$WS/Acme/Fresh/version 1"
expect_eq "$(cat "$v1/Program Data/settings/a.cfg")" "config" "Program Data is copied"
expect_eq "$(cat "$v1/Corvane Projects/p1/model.dat")" "model" "Corvane Projects is copied"
expect_no_file "$v1/Other" "the rest of the import folder"

plain="$TMP/loose"
mkdir -p "$plain"
echo "loose" >"$plain/notes.txt"
(cd "$TMP" && "$CLI" -w "$WS" import Acme Plain "version 1" loose >/dev/null 2>&1) ||
    fail "import of a relative folder"
expect_eq "$(cat "$WS/Acme/Plain/version 1/loose/notes.txt")" "loose" \
    "a folder without Program Data is copied whole"

run import Acme Busy 1 "$src"
expect_rc 1 "import into a project with two versions"
expect_eq "$ERR" "cannot import into version 1: only version 1 of a project that has no other version takes an import." \
    "import refusal"
expect_no_file "$WS/Acme/Busy/version 1/Program Data" "a refused import copies nothing"

run import Acme Fresh 1 "$TMP/nowhere"
expect_rc 1 "import of a missing folder"
expect_eq "$ERR" "not a folder: $TMP/nowhere" "missing import folder"

mkdir -p "$TMP/half/Program Data"
run import Acme Fresh 1 "$TMP/half"
expect_rc 1 "an import whose copy failed"
expect_contains "$ERR" "Import from folder $TMP/half/ failed with message" "failed import message"

# --- editors -------------------------------------------------------------------
run editors
expect_rc 0 "editors with none registered"
expect_eq "$OUT" "" "no editors"
expect_no_file "$TMP/bin/Editor.ini" "no editors, no registry file"

# An editor that notes its argument and its current folder.
cat >"$TMP/viewer.sh" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$#" "\$1" "\$(pwd)" >"$TMP/editor-ran"
SCRIPT
chmod +x "$TMP/viewer.sh"
run add-editor Viewer "$TMP/viewer.sh"
expect_rc 0 "add-editor"
grep -qx '\[Viewer\]' <(tr -d '\r' <"$TMP/bin/Editor.ini") || fail "Editor.ini beside the tool has the section"
grep -qx "Path=$TMP/viewer.sh" <(tr -d '\r' <"$TMP/bin/Editor.ini") || fail "Editor.ini has the path"

run add-editor VIEWER "$TMP/viewer.sh"
expect_rc 1 "a taken editor name"
expect_eq "$ERR" "Editor name Viewer already exists." "taken editor name message"

run add-editor Ghost "$TMP/no-such-program"
expect_rc 1 "add-editor of a missing program"
expect_eq "$ERR" "not a file: $TMP/no-such-program" "missing program"

cp "$TMP/viewer.sh" "$TMP/gone.sh"
run add-editor Gone "$TMP/gone.sh"
rm "$TMP/gone.sh"
run editors
expect_eq "$OUT" "Viewer	$TMP/viewer.sh
Gone	$TMP/gone.sh" "editors in registry order"

# --- open --------------------------------------------------------------------------
(cd "$TMP/home" && "$CLI" -w "$WS" open Acme Busy 2 viewer >/dev/null 2>"$TMP/err") ||
    fail "open: $(cat "$TMP/err")"
expect_eq "$(cat "$TMP/editor-ran")" "1
$WS/Acme/Busy/Version 2
$TMP/home" "the editor gets the version folder as its one argument, in our folder"
grep -q "$TMP/viewer.sh" "$WS/Acme/Busy/Version 2/QuorvelConfig.xml" ||
    fail "open records the editor in the data file"

rm "$TMP/editor-ran"
run open Acme Busy 1 Viewer
expect_rc 1 "open of a checked-in version"
expect_eq "$ERR" "version 1 is checked in: only a checked-out version can be opened in an editor." \
    "open refusal"
expect_no_file "$TMP/editor-ran" "a refused open starts nothing"

run open Acme Busy 2 Nope
expect_rc 1 "open with an unknown editor"
expect_eq "$ERR" "not found: Nope" "unknown editor"

run open Acme Busy 2 Gone
expect_rc 1 "open with an editor that cannot start"
expect_eq "$ERR" "Gone could not be started: $TMP/gone.sh" "editor that cannot start"

finish
