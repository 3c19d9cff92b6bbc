#!/usr/bin/env bash
# The command line itself: help, usage errors and their exit status.
source "$(dirname "$0")/lib.sh" "$1"

commands=(list show status rebuild new-client new-project rename-client rename-project
    delete-client delete-project checkout checkin checkin-checkout undo-checkout import
    editors add-editor open diff archive du)

# The tool's help names every command and touches nothing.
run_raw --help
expect_rc 0 "--help"
for command in "${commands[@]}"; do
    grep -qE "^  $command +[A-Z]" "$TMP/out" || fail "--help does not list $command"
done
expect_eq "$ERR" "" "--help writes nothing to stderr"
expect_no_file "$TMP/bin/quorvel.Ini" "--help reads no settings"
expect_no_file "$TMP/bin/Projects" "--help opens no workspace"

# --version answers wherever it stands, and touches nothing either.
for line in "--version" "list --version" "--version frobnicate"; do
    # shellcheck disable=SC2086
    run_raw $line
    expect_rc 0 "$line"
    [[ "$OUT" =~ ^quorvel-cli\ [0-9]+(\.[0-9]+)+$ ]] || fail "$line: got [$OUT]"
    expect_eq "$ERR" "" "$line writes nothing to stderr"
done
grep -qE '^ +--version +show the version$' <<<"$("$CLI" --help)" || fail "--help names --version"
expect_no_file "$TMP/bin/quorvel.Ini" "--version reads no settings"
expect_no_file "$TMP/bin/Projects" "--version opens no workspace"

# Each command has its own help, in both spellings.
for command in "${commands[@]}"; do
    run_raw "$command" --help
    expect_rc 0 "$command --help"
    expect_contains "$OUT" "Usage: quorvel-cli [-w DIR] [--yes] $command" "$command --help"
    run_raw help "$command"
    expect_rc 0 "help $command"
done
run_raw checkin --help
expect_contains "$OUT" "checkin CLIENT PROJECT VERSION (-m TEXT | -F FILE)" "checkin synopsis"

# Usage errors: exit 2, a hint on stderr, nothing on stdout, no workspace made.
usage_error() {
    local what=$1
    shift
    run "$@"
    expect_rc 2 "$what"
    expect_eq "$OUT" "" "$what: stdout"
    expect_contains "$ERR" "Try 'quorvel-cli --help'." "$what: hint"
}
usage_error "no command"
usage_error "unknown command" frobnicate
usage_error "missing arguments" show Acme Pump
usage_error "too many arguments" new-client A B
usage_error "unknown option" list --verbose
usage_error "option of another command" list --mine
usage_error "checkin without description" checkin A B C
usage_error "-m and -F together" checkin A B C -m x -F y
usage_error "description on a command that takes none" checkout A B C -m x
usage_error "-w without a value" list -w
usage_error "name starting with a dash" new-client -x
expect_no_file "$WS" "usage errors open no workspace"
expect_contains "$ERR" '"--"' "the hint for names that start with a dash"

# "--" lets a name start with a dash; global options may follow the command.
run new-client -- -x
expect_rc 0 "new-client -- -x"
[ -d "$WS/-x" ] || fail "client -x was not created"
run list --yes
expect_rc 0 "--yes after the command"

finish
