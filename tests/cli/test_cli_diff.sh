#!/usr/bin/env bash
# diff: two version folders compared by contents, with diff's exit status.
source "$(dirname "$0")/lib.sh" "$1"

p="$WS/Acme/Pump"
one="$p/version 1"
two="$p/Version 2"
write_data "$one" "checked in" "" "jan" "1-1-2024" "first"
write_data "$two" "checked out" "version 1" "jan" "2-1-2024" ""
mkdir -p "$one/sub" "$two/sub" "$one/sub/deep" "$two/newdir"
echo x >"$two/newdir/x"
echo same >"$one/a.txt"
echo same >"$two/a.txt"
echo old >"$one/b.txt" # same size as "new": only the contents tell
echo new >"$two/b.txt"
echo only-first >"$one/c.txt"
echo only-second >"$two/e.txt"
echo deep >"$one/sub/deep/d.txt"
echo deep >"$two/sub/deep-d.txt"
echo inner >"$one/sub/QuorvelConfig.xml" # only the version's own data file is left out
echo inner2 >"$two/sub/QuorvelConfig.xml"
echo time >"$one/t.txt"
echo time >"$two/t.txt"
touch -d "2001-01-01" "$one/t.txt"
# A large file that differs in its last byte only.
head -c 3145727 /dev/zero >"$one/big.bin"
cp "$one/big.bin" "$two/big.bin"
printf 'x' >>"$one/big.bin"
printf 'y' >>"$two/big.bin"
ln -s target-a "$one/link"
ln -s target-b "$two/link"
ln -s a.txt "$one/kind"
cp "$one/a.txt" "$two/kind"
echo n >"$one/new
line"

run rebuild
# Byte order: "-" sorts before "/".
expected='M b.txt
M big.bin
D c.txt
A e.txt
M kind
M link
D "new\nline"
A newdir/x
M sub/QuorvelConfig.xml
A sub/deep-d.txt
D sub/deep/d.txt'
run diff Acme Pump 1 2
expect_rc 1 "diff of different versions"
expect_eq "$OUT" "$expected" "one line per difference, sorted by path"
expect_eq "$ERR" "" "diff: nothing on stderr"

run diff Acme Pump "version 1" 1
expect_rc 0 "a version against itself"
expect_eq "$OUT" "" "no differences"

# A fresh check-out is the same as its source, its data file aside.
run checkout Acme Pump 1
run diff Acme Pump 1 "$OUT"
expect_rc 0 "a check-out against its source"
expect_eq "$OUT" "" "a fresh check-out has no differences"

run diff Acme Pump 1 7
expect_rc 2 "diff with a missing version"
expect_eq "$ERR" "not found: 7" "missing version"

run diff Acme Pump 1
expect_rc 2 "diff with one version"

rm -rf "$two"
run diff Acme Pump 1 2
expect_rc 2 "diff of a version whose folder is gone"
expect_contains "$ERR" "cannot read $two" "the folder that could not be read"

finish
