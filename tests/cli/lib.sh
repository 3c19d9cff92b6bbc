# Shared by the quorvel-cli tests: sourced with the path of the built tool
# as $1. Each test gets its own folder with a copy of the tool (so that the
# settings file and "Editor.ini" beside it are the test's own), its own
# HOME and XDG folders, and is cleaned up at the end.
set -euo pipefail

BUILT_CLI=$(readlink -f "$1")
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

mkdir -p "$TMP/bin" "$TMP/home" "$TMP/data" "$TMP/config" "$TMP/cache" "$TMP/runtime"
chmod 700 "$TMP/runtime"
cp "$BUILT_CLI" "$TMP/bin/quorvel-cli"
CLI="$TMP/bin/quorvel-cli"
export HOME="$TMP/home"
export XDG_DATA_HOME="$TMP/data"
export XDG_CONFIG_HOME="$TMP/config"
export XDG_CACHE_HOME="$TMP/cache"
export XDG_RUNTIME_DIR="$TMP/runtime"
export LC_ALL=C.UTF-8
unset QT_QPA_PLATFORM
WS="$TMP/ws"
ME=$(id -un)
FAILURES=0

# run ARGS...: runs the tool on $WS with stdin from /dev/null; sets OUT,
# ERR and RC.
run() {
    set +e
    "$CLI" -w "$WS" "$@" </dev/null >"$TMP/out" 2>"$TMP/err"
    RC=$?
    set -e
    OUT=$(cat "$TMP/out")
    ERR=$(cat "$TMP/err")
}

# run_raw ARGS...: as run, without -w.
run_raw() {
    set +e
    "$CLI" "$@" </dev/null >"$TMP/out" 2>"$TMP/err"
    RC=$?
    set -e
    OUT=$(cat "$TMP/out")
    ERR=$(cat "$TMP/err")
}

# run_with_input TEXT ARGS...: as run, with TEXT on stdin.
run_with_input() {
    local input=$1
    shift
    set +e
    printf '%s' "$input" | "$CLI" -w "$WS" "$@" >"$TMP/out" 2>"$TMP/err"
    RC=$?
    set -e
    OUT=$(cat "$TMP/out")
    ERR=$(cat "$TMP/err")
}

# run_on_terminal INPUT COMMAND-LINE: runs a shell command line on a
# pseudo-terminal, INPUT typed into it; sets OUT (everything the terminal
# showed, without CRs) and RC.
run_on_terminal() {
    local input=$1
    local command=$2
    set +e
    printf '%s' "$input" |
        script -qec "$command; echo \"[rc=\$?]\"" /dev/null >"$TMP/tty" 2>&1
    set -e
    OUT=$(tr -d '\r' <"$TMP/tty")
    RC=$(sed -n 's/.*\[rc=\([0-9]*\)\].*/\1/p' <<<"$OUT" | tail -n 1)
}

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

# expect_rc N WHAT
expect_rc() {
    if [ "$RC" != "$1" ]; then
        fail "$2: exit status $RC, expected $1 (stdout: $OUT) (stderr: $ERR)"
    fi
}

# expect_eq ACTUAL EXPECTED WHAT
expect_eq() {
    if [ "$1" != "$2" ]; then
        fail "$3: got [$1], expected [$2]"
    fi
}

# expect_contains TEXT PART WHAT
expect_contains() {
    if [[ "$1" != *"$2"* ]]; then
        fail "$3: [$1] does not contain [$2]"
    fi
}

expect_file() {
    [ -e "$1" ] || fail "$2: $1 is missing"
}

expect_no_file() {
    [ ! -e "$1" ] || fail "$2: $1 should not exist"
}

# Writes a version's data file as the program does.
write_data() {
    local folder=$1 state=$2 parent=$3 owner=$4 when=$5 description=$6
    mkdir -p "$folder"
    printf '<Version state="%s" parent="%s" >\r<Editor>\r</Editor>\r    <Date_time>\r        %s\r    </Date_time>\r    <Owner>\r        %s\r    </Owner>\r    <Description>\r        %s\r    </Description>\r</Version>\r\n' \
        "$state" "$parent" "$when" "$owner" "$description" >"$folder/QuorvelConfig.xml"
}

finish() {
    if [ "$FAILURES" -ne 0 ]; then
        echo "$FAILURES check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
}
