#!/usr/bin/env bash
# Whole or nothing from the outside: odd folder names and damaged files do
# not cost the rest of the workspace, commands that only read write
# nothing, a failed save says what was done, and a signal ends a run
# cleanly.
source "$(dirname "$0")/lib.sh" "$1"

# identity FILE: the file's inode and bytes; a write through a temporary
# file changes the inode even when the bytes stay.
identity() { stat -c %i "$1" 2>/dev/null; sha1sum <"$1" 2>/dev/null; }
files_below() { (cd "$1" && find . | LC_ALL=C sort); }

# --- a rebuild goes past what it cannot keep ------------------------------------------
mkdir -p "$WS/Alpha/P/version 1" "$WS/Beta/P/version 1" "$WS/"$'caf\xe9'"/Q/version 1"
run rebuild
expect_rc 0 "rebuild with a name that is not UTF-8"
expect_eq "$OUT" "2 clients, 2 projects, 2 versions" "every other folder is read"
expect_contains "$ERR" "$WS/caf\\xE9/ (the name is not UTF-8 text)" "the folder left out is named"
run list
expect_eq "$(grep -c '^[AB]' <<<"$OUT")" 2 "the saved catalogue holds Alpha and Beta"
rm -rf "$WS/"$'caf\xe9' "$WS/Beta"

# A damaged catalogue cannot be opened, but it can be rebuilt.
printf '<Clients count="zz" >\r</Clients>\r\n' >"$WS/QuorvelConfig.xml"
run list
expect_rc 1 "list of a damaged catalogue"
run rebuild
expect_rc 0 "rebuild of a damaged catalogue"
expect_eq "$OUT" "1 client, 1 project, 1 version" "the rebuild reads the folders"
expect_contains "$ERR" "'zz' is not a valid integer value" "the damage is named"
run list
expect_rc 0 "list after the rebuild"

# --- commands that only read write nothing ---------------------------------------------
run checkout Alpha P 1
printf '\xff\xfe' >"$TMP/bin/Editor.ini"
printf '[Viewer]\r\nPath=/bin/cat\r\n' | iconv -f ASCII -t UTF-16LE >>"$TMP/bin/Editor.ini"
catalogue=$(identity "$WS/QuorvelConfig.xml")
editors=$(identity "$TMP/bin/Editor.ini")
before=$(files_below "$TMP")
for command in "list" "list --json" "show Alpha P 2" "status" "status --mine" \
    "diff Alpha P 1 2" "editors"; do
    # shellcheck disable=SC2086
    run $command
    expect_eq "$RC" 0 "$command"
    expect_eq "$(identity "$WS/QuorvelConfig.xml")" "$catalogue" "$command leaves the catalogue"
    expect_eq "$(identity "$TMP/bin/Editor.ini")" "$editors" "$command leaves Editor.ini"
    expect_eq "$(files_below "$TMP")" "$before" "$command makes no file"
done

# Not even the workspace folder it was pointed at.
run_raw -w "$TMP/nowhere" list
expect_rc 1 "list of a workspace that does not exist"
expect_contains "$ERR" "The workspace $TMP/nowhere/ does not exist" "it says so"
expect_no_file "$TMP/nowhere" "list makes no workspace folder"
touch "$TMP/a-file"
run_raw -w "$TMP/a-file" list
expect_rc 1 "list of a workspace that is a file"
expect_contains "$ERR" "The workspace $TMP/a-file is not a folder" "it says so"

# Without a catalogue file a read reads the folders, and leaves what an
# interrupted check-out left to a command that may change the workspace.
mv "$WS/QuorvelConfig.xml" "$TMP/catalogue.saved"
mkdir "$WS/Alpha/P/.quorvel-partial-x"
run list
expect_rc 0 "list of a workspace without a catalogue file"
expect_file "$WS/Alpha/P/.quorvel-partial-x" "list leaves an interrupted check-out's folder"
expect_no_file "$WS/QuorvelConfig.xml" "list writes no catalogue"
rmdir "$WS/Alpha/P/.quorvel-partial-x"
mv "$TMP/catalogue.saved" "$WS/QuorvelConfig.xml"

# Leftovers of interrupted work are no difference between two versions.
printf 'half' >"$WS/Alpha/P/Version 2/QuorvelConfig.xml.Ab3xYz"
mkdir "$WS/Alpha/P/version 1/.quorvel-partial-x"
run diff Alpha P 1 2
expect_rc 0 "diff ignores leftovers"
expect_eq "$OUT" "" "no leftover is reported"
rm -rf "$WS/Alpha/P/Version 2/QuorvelConfig.xml.Ab3xYz" "$WS/Alpha/P/version 1/.quorvel-partial-x"

# --- a save that fails says what was done -----------------------------------------------
set +e
(
    ulimit -f 0
    trap '' XFSZ
    "$CLI" -w "$WS" new-client Acme </dev/null 2>&1
) | cat >"$TMP/err"
RC=${PIPESTATUS[0]}
set -e
ERR=$(cat "$TMP/err")
expect_rc 1 "new-client on a full disk"
expect_contains "$ERR" "Acme was created, but the catalogue could not be saved: Cannot create file" \
    "what was done and what was not"
expect_file "$WS/Acme" "the folder was made"

# Each command names what it did when the catalogue cannot be saved after
# it: the catalogue file refuses to be replaced (its rename fails).
if chattr +i "$WS/QuorvelConfig.xml" 2>/dev/null; then
    chattr -i "$WS/QuorvelConfig.xml"
    saved_ws="$TMP/ws.saved"
    rm -rf "$saved_ws"
    cp -a "$WS" "$saved_ws"
    while IFS='|' read -r arguments done; do
        rm -rf "$WS"
        cp -a "$saved_ws" "$WS"
        run new-client Scratch
        chattr +i "$WS/QuorvelConfig.xml"
        # shellcheck disable=SC2086
        run --yes $arguments
        chattr -i "$WS/QuorvelConfig.xml"
        expect_rc 1 "$arguments with a catalogue that cannot be replaced"
        expect_contains "$ERR" "$done, but the catalogue could not be saved: " "$arguments names what it did"
        case "$ERR" in *"QString::arg"*) fail "$arguments: a placeholder went without its text" ;; esac
    done <<'COMMANDS'
new-client Nadir|Nadir was created
new-project Alpha Newp|Newp was created
rename-client Alpha Omega|Alpha was renamed to Omega
rename-project Alpha P Q|P was renamed to Q
delete-client Scratch|Scratch was deleted
delete-project Alpha P|P was deleted
checkout Alpha P 1|Version 3 of Alpha/P was checked out
undo-checkout Alpha P 2|The check-out of 2 was undone
COMMANDS
    rm -rf "$WS"
    mv "$saved_ws" "$WS"
else
    echo "skipped: the catalogue cannot be made immutable here (chattr +i)"
fi

# --- a signal stops a check-out cleanly --------------------------------------------------
catalogue=$(sha1sum <"$WS/QuorvelConfig.xml")
for signal in INT TERM HUP; do
    # Stopped by the program itself at its second change, inside the copy.
    QUORVEL_FAULT=stop@2 "$CLI" -w "$WS" checkout Alpha P 1 </dev/null >"$TMP/out" 2>"$TMP/err" &
    pid=$!
    for _ in $(seq 1 300); do
        case "$(ps -o stat= -p "$pid")" in T*) break ;; esac
        sleep 0.05
    done
    kill -"$signal" "$pid"
    kill -CONT "$pid"
    set +e
    wait "$pid"
    RC=$?
    set -e
    ERR=$(cat "$TMP/err")
    expect_rc $((128 + $(kill -l "$signal"))) "checkout stopped by SIG$signal"
    expect_contains "$ERR" "interrupted" "SIG$signal: the check-out says why it stopped"
    expect_eq "$(ls -A "$WS/Alpha/P")" $'Version 2\nversion 1' "SIG$signal leaves no partial copy"
    expect_eq "$(sha1sum <"$WS/QuorvelConfig.xml")" "$catalogue" "SIG$signal: catalogue unchanged"
done

# A signal at the check-out's last change, once the version is in place:
# the work is done and saved, and the status says so.
# stopped_at N: runs a check-out held at its change N; STATE is "stopped"
# or "ended".
stopped_at() {
    QUORVEL_FAULT=stop@$1 "$CLI" -w "$WS" checkout Alpha P 1 </dev/null >"$TMP/out" 2>"$TMP/err" &
    pid=$!
    STATE=ended
    for _ in $(seq 1 300); do
        case "$(ps -o stat= -p "$pid" 2>/dev/null)" in
        T*) STATE=stopped && return 0 ;;
        "" | Z*) return 0 ;;
        esac
        sleep 0.05
    done
}
saved_ws="$TMP/ws.before-signal"
cp -a "$WS" "$saved_ws"
last=0
for n in $(seq 1 80); do
    rm -rf "$WS" && cp -a "$saved_ws" "$WS"
    stopped_at "$n"
    if [ "$STATE" = ended ]; then
        wait "$pid" || true
        last=$((n - 1))
        break
    fi
    kill -9 "$pid" && kill -CONT "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
done
rm -rf "$WS" && cp -a "$saved_ws" "$WS"
stopped_at "$last"
[ "$STATE" = stopped ] || fail "the check-out stops at its last change ($last)"
kill -INT "$pid"
kill -CONT "$pid"
set +e
wait "$pid"
RC=$?
set -e
expect_rc 0 "a check-out whose work was done when SIGINT came"
expect_eq "$(cat "$TMP/out")" "Version 3" "its version is named"
expect_contains "$(cat "$WS/QuorvelConfig.xml")" 'Version name="Version 3"' "and recorded"
rm -rf "$WS" && mv "$saved_ws" "$WS"

# --- the desktop program ends cleanly on a signal ----------------------------------------
GUI="$(dirname "$BUILT_CLI")/quorvel"
if [ -x "$GUI" ]; then
    cp "$GUI" "$TMP/bin/quorvel"
    for case in "TERM 1" "HUP 1" "INT 1" "TERM 0"; do
        read -r signal shutdown <<<"$case"
        # ShutDown=0: the question whether to rebuild is open when the signal comes.
        printf '[Project]\r\nShutDown=%s\r\nWorkspace=%s/\r\n' "$shutdown" "$WS" >"$TMP/bin/quorvel.Ini"
        rm -f "$WS/QuorvelConfig.xml"
        QT_QPA_PLATFORM=offscreen "$TMP/bin/quorvel" >"$TMP/gui-out" 2>&1 &
        pid=$!
        for _ in $(seq 1 400); do
            grep -q 'ShutDown=0' "$TMP/bin/quorvel.Ini" && [ -f "$WS/QuorvelConfig.xml" ] && break
            sleep 0.05
        done
        kill -"$signal" "$pid"
        set +e
        timeout 30 tail --pid="$pid" -f /dev/null
        wait "$pid"
        RC=$?
        set -e
        expect_rc 0 "the window closed by SIG$signal (ShutDown=$shutdown)"
        grep -q 'ShutDown=1' "$TMP/bin/quorvel.Ini" ||
            fail "SIG$signal (ShutDown=$shutdown): the settings say the run ended cleanly"
        grep -q "Workspace=$WS/" "$TMP/bin/quorvel.Ini" ||
            fail "SIG$signal (ShutDown=$shutdown): the open workspace is stored"
    done
fi

finish
