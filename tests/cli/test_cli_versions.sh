#!/usr/bin/env bash
# Check-out, check-in, check-in/check-out and undo, each only where the
# window offers it; versions named or numbered.
source "$(dirname "$0")/lib.sh" "$1"

run new-client Acme
run new-project Acme Pump
echo "drawing" >"$WS/Acme/Pump/version 1/plan.txt"
mkdir -p "$WS/Acme/Pump/version 1/sub"
echo "detail" >"$WS/Acme/Pump/version 1/sub/detail.txt"

# --- checkout ---------------------------------------------------------------
run checkout Acme Pump "version 1"
expect_rc 0 "checkout"
expect_eq "$OUT" "Version 2" "checkout prints the new version"
expect_eq "$(cat "$WS/Acme/Pump/Version 2/sub/detail.txt")" "detail" "the copy holds the files"
grep -q 'state="checked out" parent="version 1"' "$WS/Acme/Pump/Version 2/QuorvelConfig.xml" ||
    fail "the new version's data file"

# A second check-out of the same version takes the next number; a number
# names the version too.
run checkout Acme Pump 1
expect_rc 0 "checkout by number"
expect_eq "$OUT" "Version 3" "consecutive numbers"

run checkout Acme Pump 2
expect_rc 1 "checkout of a checked-out version"
expect_eq "$ERR" "Version 2 is checked out: only a checked-in version can be checked out." \
    "checkout refusal"
expect_no_file "$WS/Acme/Pump/Version 4" "a refused checkout copies nothing"

run checkout Acme Pump 9
expect_rc 1 "checkout of a missing version"
expect_eq "$ERR" "not found: 9" "missing version"

# --- checkin ----------------------------------------------------------------
run checkin Acme Pump 1 -m "done"
expect_rc 1 "checkin of a checked-in version"
expect_eq "$ERR" "version 1 is checked in: only a checked-out version can be checked in." \
    "checkin refusal"

run checkin Acme Pump 2 -m $'line one\nline two'
expect_rc 0 "checkin -m"
data=$(cat "$WS/Acme/Pump/Version 2/QuorvelConfig.xml")
expect_contains "$data" $'line one\r\nline two' "a line break becomes CR LF"
expect_contains "$data" 'state="checked in"' "the data file says checked in"

run show Acme Pump "VERSION 2"
expect_rc 0 "show"
shown=$(sed -E 's/(Checked in at  : ).* by /\1DT by /' <<<"$OUT")
expected="Version 2
Folder         : $WS/Acme/Pump/Version 2/
State          : checked in
Parent version : version 1
Checked in at  : DT by $ME

Description    : line one
line two"
expect_eq "$shown" "$expected" "show of a checked-in version"

run show Acme Pump 3
expected_start="version 1 checked out by $ME
Folder         : $WS/Acme/Pump/Version 3/
State          : checked out
Parent version : version 1
Checked out at : "
[[ "$OUT" == "$expected_start"* ]] || fail "show of a checked-out version: [$OUT]"

# A description that the data file cannot hold is refused by the program.
run checkin Acme Pump 3 -m "a < b"
expect_rc 1 "a description with <"
expect_eq "$ERR" 'A check-in description may not contain "<". Please change the description.' \
    "the < refusal"
grep -q 'state="checked out"' "$WS/Acme/Pump/Version 3/QuorvelConfig.xml" ||
    fail "a refused check-in changes nothing"

run checkin Acme Pump 3 -F "$TMP/no-such-file"
expect_rc 1 "-F with a missing file"
expect_contains "$ERR" "cannot read $TMP/no-such-file" "missing description file"

printf 'from a file\nsecond line\n' >"$TMP/description.txt"
run checkin Acme Pump 3 -F "$TMP/description.txt"
expect_rc 0 "checkin -F FILE"
data=$(cat "$WS/Acme/Pump/Version 3/QuorvelConfig.xml")
expect_contains "$data" $'from a file\r\nsecond line\r    </Description>' \
    "the file's text, its last line break dropped"

# --- checkin-checkout and -F - ----------------------------------------------
run checkout Acme Pump 3
expect_eq "$OUT" "Version 4" "checkout of the checked-in Version 3"
run_with_input $'typed on stdin\n' checkin-checkout Acme Pump 4 -F -
expect_rc 0 "checkin-checkout -F -"
expect_eq "$OUT" "Version 5" "checkin-checkout prints the new version"
grep -q 'state="checked in"' "$WS/Acme/Pump/Version 4/QuorvelConfig.xml" ||
    fail "checkin-checkout checks in"
expect_contains "$(cat "$WS/Acme/Pump/Version 4/QuorvelConfig.xml")" "typed on stdin" \
    "the description from stdin"
grep -q 'state="checked out" parent="Version 4"' "$WS/Acme/Pump/Version 5/QuorvelConfig.xml" ||
    fail "checkin-checkout checks the same version out again"

run checkin-checkout Acme Pump 4 -m x
expect_rc 1 "checkin-checkout of a checked-in version"

# --- undo-checkout ----------------------------------------------------------
run undo-checkout Acme Pump 5
expect_rc 1 "undo-checkout answered No"
expect_eq "$(head -n 1 <<<"$ERR")" "This will removed Version 5, from your system are you sure?" \
    "the undo question"
[ -d "$WS/Acme/Pump/Version 5" ] || fail "No keeps the version"

run undo-checkout Acme Pump 4 --yes
expect_rc 1 "undo-checkout of a checked-in version"
expect_eq "$ERR" "Version 4 is checked in: there is no check-out to undo." "undo refusal"

run --yes undo-checkout Acme Pump 5
expect_rc 0 "undo-checkout --yes"
expect_no_file "$WS/Acme/Pump/Version 5" "the undone version's folder"
run list
[[ "$OUT" != *"Version 4 checked out"* ]] || fail "the undone version is still listed"

# --- status -----------------------------------------------------------------
write_data "$WS/Acme/Pump/Version 9" "checked out" "Version 2" "someone-else" "1-1-2020 10:00:00" ""
run rebuild
run status
expected="Acme	Pump	Version 9	someone-else	1-1-2020 10:00:00"
[[ "$OUT" == *"$expected"* ]] || fail "status lists another user's check-out: [$OUT]"
lines=$(wc -l <<<"$OUT")
expect_eq "$lines" "1" "status: one line per checked-out version"
run checkout Acme Pump 1
new_version=$OUT
run status --mine
expect_rc 0 "status --mine"
[[ "$OUT" == "Acme	Pump	$new_version	$ME	"* ]] || fail "status --mine: [$OUT]"
[[ "$OUT" != *"someone-else"* ]] || fail "status --mine keeps only mine"
cp "$WS/QuorvelConfig.xml" "$TMP/catalogue-before"
run status
cmp -s "$WS/QuorvelConfig.xml" "$TMP/catalogue-before" || fail "status changed the catalogue"

finish
