#!/usr/bin/env bash
# archive and du: what they print, where the archive goes, and that neither
# changes the workspace.
source "$(dirname "$0")/lib.sh" "$1"

run new-client "Acme Ltd"
run new-project "Acme Ltd" Harbour
one="$WS/Acme Ltd/Harbour/version 1"
printf 'quay wall\n' >"$one/plän a.txt"
mkdir -p "$one/empty" "$one/docs"
printf '12345' >"$one/docs/five"
ln -s ../plän\ a.txt "$one/docs/plan"
run checkout "Acme Ltd" Harbour 1
two="$WS/Acme Ltd/Harbour/Version 2"
printf 'changed\n' >>"$two/docs/five"
run new-project "Acme Ltd" Dock
cp -a "$WS/QuorvelConfig.xml" "$TMP/catalogue-before"
state_before=$(cd "$WS" && find . -printf '%p %s %T@\n' | sort)

# unchanged WHAT: the workspace holds what it held, to the file's time.
unchanged() {
    [ "$(cd "$WS" && find . -printf '%p %s %T@\n' | sort)" = "$state_before" ] ||
        fail "$1 changed the workspace"
}

# --- archive --------------------------------------------------------------------
mkdir -p "$TMP/sent"
cd "$TMP/sent"
run archive "Acme Ltd" Harbour 1
expect_rc 0 "archive"
expect_eq "$OUT" "$TMP/sent/Acme Ltd - Harbour - Version 1.zip" "the default name, in the current folder"
expect_eq "$ERR" "" "archive: nothing on stderr"
zip="$TMP/sent/Acme Ltd - Harbour - Version 1.zip"
[ "$(head -c 4 "$zip" | od -An -tx1 | tr -d ' ')" = "504b0304" ] || fail "not a zip file"
for name in "plän a.txt" "empty/" "docs/five" "docs/plan"; do
    grep -aqF "$name" "$zip" || fail "the archive lacks $name"
done
grep -aqF "QuorvelConfig.xml" "$TMP/sent/Acme Ltd - Harbour - Version 1.zip" && fail "the data file is in the archive"
unchanged "archive"

run archive "acme ltd" Harbour "Version 2" -o "$TMP/sent/sent.zip"
expect_rc 0 "archive -o FILE"
expect_eq "$OUT" "$TMP/sent/sent.zip" "-o names the file"
run archive "Acme Ltd" Harbour 2 --output "$TMP/sent"
expect_rc 0 "archive -o FOLDER"
expect_eq "$OUT" "$TMP/sent/Acme Ltd - Harbour - Version 2.zip" "a folder receives the usual name"
cmp -s "$TMP/sent/sent.zip" "$TMP/sent/Acme Ltd - Harbour - Version 2.zip" ||
    fail "the same version gives the same archive"
(cd "$TMP" && "$CLI" -w "$WS" archive "Acme Ltd" Harbour 1 -o sent/relative.zip >/dev/null 2>&1) ||
    fail "a relative -o"
expect_file "$TMP/sent/relative.zip" "-o is taken from the current folder"
expect_eq "$(ls -A "$TMP/sent" | wc -l)" "4" "no temporary is left beside the archives"

run archive "Acme Ltd" Harbour 7
expect_rc 1 "archive of a missing version"
expect_eq "$ERR" "not found: 7" "the name not found"
run archive "Acme Ltd" Harbour 1 -o "$one/inside.zip"
expect_rc 1 "archive into the version itself"
expect_contains "$ERR" "cannot be written inside that version" "the archive's own version refused"
expect_no_file "$one/inside.zip" "nothing written into the version"
run archive "Acme Ltd" Harbour 1 -o "$TMP/missing/x.zip"
expect_rc 1 "archive into a missing folder"
expect_contains "$ERR" "Cannot write $TMP/missing/x.zip" "the archive named"
unchanged "a refused archive"

run archive "Acme Ltd" Harbour
expect_rc 2 "archive without a version"
run list -o "$TMP/sent/x"
expect_rc 2 "-o on a command that writes no file"
expect_contains "$ERR" "list takes no output file" "-o refused by name"
run archive "Acme Ltd" Harbour 1 -o a.zip -o b.zip
expect_rc 2 "-o twice"

# --- du ---------------------------------------------------------------------------
run du "Acme Ltd"
expect_rc 0 "du of a client"
expect_eq "$ERR" "" "du: nothing on stderr"
link=$(printf '%s' '../plän a.txt' | wc -c)
data=$(stat -c %s "$two/QuorvelConfig.xml")
expect_eq "$(cut -f1-5 <<<"$OUT" | sort)" "Acme Ltd	Dock	version 1	0	0
Acme Ltd	Harbour	Version 2	4	$((10 + 13 + link + data))
Acme Ltd	Harbour	version 1	3	$((10 + 5 + link))" "client, project, version, files, bytes"
while IFS=$'\t' read -r client project version files bytes allocated unshared rest; do
    [ -z "$rest" ] || fail "du: more than seven fields"
    [[ "$allocated" =~ ^[0-9]+$ && "$unshared" =~ ^[0-9]+$ ]] || fail "du: numbers"
    [ "$unshared" -le "$allocated" ] || fail "du: $version frees more than it takes"
done <<<"$OUT"
unchanged "du"

run du "Acme Ltd" Harbour --json
expect_rc 0 "du --json"
expected_keys='"workspace"
"versions"
"client"
"project"
"version"
"files"
"bytes"
"allocated"
"shared"
"unshared"'
expect_eq "$(grep -o '^ *"[a-z]*"' <<<"$OUT" | tr -d ' ' | awk '!seen[$0]++')" "$expected_keys" \
    "du --json: the keys in their order"
expect_contains "$OUT" "\"workspace\": \"$WS/\"" "du --json: the workspace"
expect_eq "$(grep -c '"client": "Acme Ltd"' <<<"$OUT")" "2" "du --json: one object per version"

run du Nobody
expect_rc 1 "du of a missing client"
expect_eq "$ERR" "not found: Nobody" "du: the name not found"
run du "Acme Ltd" Harbour Extra
expect_rc 2 "du with too many arguments"

# A version folder that went is named; the others are still measured.
mv "$two" "$TMP/away"
run du "Acme Ltd" Harbour
expect_rc 1 "du with a version folder gone"
expect_contains "$ERR" "cannot read $two" "the version that could not be measured"
expect_eq "$(cut -f3 <<<"$OUT")" "version 1" "the other versions are measured"
mv "$TMP/away" "$two"
cmp -s "$WS/QuorvelConfig.xml" "$TMP/catalogue-before" || fail "the catalogue was written"

finish
