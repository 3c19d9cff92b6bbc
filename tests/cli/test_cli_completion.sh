#!/usr/bin/env bash
# The bash completion of quorvel-cli: commands, options, and the names in
# the workspace given on the line, quoted for the line.
source "$(dirname "$0")/lib.sh" "$1"
source "$(dirname "$0")/../../packaging/quorvel-cli.bash-completion"

run new-client "Acme Ltd"
run new-client Berg
run new-project "Acme Ltd" Harbour
run new-project "Acme Ltd" Quay
run new-project Berg Hut
run checkout "Acme Ltd" Harbour 1
run add-editor Viewer /bin/cat

# complete WORD...: completes the last word of "quorvel-cli WORD..." as bash
# does on Tab; sets OUT to the offers, one per line, sorted.
complete_line() {
    COMP_WORDS=("$CLI" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    set +eu
    _quorvel_cli
    set -eu
    OUT=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
}

# expect_offers WHAT EXPECTED WORD...: EXPECTED is the offers joined by blanks.
expect_offers() {
    local what=$1 expected=$2
    shift 2
    complete_line "$@"
    expect_eq "$(tr '\n' ' ' <<<"$OUT" | sed 's/ $//')" "$expected" "$what"
}

w=(-w "$WS")
expect_offers "commands" "checkin checkin-checkout checkout" ch
expect_offers "help COMMAND" "rebuild rename-client rename-project" help re
expect_offers "global options" "--help --version --workspace --yes" --
expect_offers "a command's switches" "--help --json --version --workspace --yes" "${w[@]}" list --
expect_offers "the description options" "--help --version --workspace --yes -F -h -m -w -y" "${w[@]}" checkin -
expect_offers "clients, quoted" 'Acme\ Ltd Berg' "${w[@]}" checkout ""
expect_offers "letter case ignored" 'Acme\ Ltd' "${w[@]}" show ac
expect_offers "projects of the client" "Harbour Quay" "${w[@]}" checkout 'Acme\ Ltd' ""
expect_offers "a quoted client" "Harbour Quay" "${w[@]}" checkout '"Acme Ltd"' ""
expect_offers "versions, quoted" 'Version\ 2 version\ 1' "${w[@]}" checkout 'Acme\ Ltd' Harbour ""
expect_offers "inside an open quote" "Acme Ltd" "${w[@]}" checkout '"Acme'
expect_offers "version numbers" "2" "${w[@]}" diff 'Acme\ Ltd' Harbour 1 2
expect_offers "after the last argument" "" "${w[@]}" show Berg Hut 1 ""
expect_offers "a new name" "" "${w[@]}" new-project Berg ""
expect_offers "editors" "Viewer" "${w[@]}" open 'Acme\ Ltd' Harbour 2 ""
expect_offers "an argument that may be left off" "Harbour Quay" "${w[@]}" du 'Acme\ Ltd' ""
expect_offers "archive's options" "--help --version --workspace --yes -h -o -w -y" \
    "${w[@]}" archive Berg Hut 1 -
mkdir -p "$TMP/outbox"
expect_offers "-o FILE" "$TMP/outbox" "${w[@]}" archive Berg Hut 1 -o "$TMP/outb"
expect_offers "after -o FILE, nothing more" "" "${w[@]}" archive Berg Hut -o "$TMP/x.zip" 1 ""
expect_offers "--workspace=DIR" "Hut" --workspace = "$WS" show Berg ""
# As typed: the shell has not expanded the tilde yet.
# shellcheck disable=SC2088
expect_offers "~ in the workspace" "Hut" -w '~/../ws' show Berg ""
expect_offers "the workspace folder" "$WS" -w "$WS"
expect_offers "a missing workspace" "" -w "$TMP/missing" checkout ""
expect_no_file "$TMP/missing" "completion makes no workspace"
expect_offers "log's options" "--grep --help --json --since --version --workspace --yes" "${w[@]}" log --
expect_offers "log: an optional client" 'Acme\ Ltd Berg' "${w[@]}" log ""
expect_offers "log: past --grep TEXT" "Harbour Quay" "${w[@]}" log --grep crane 'Acme\ Ltd' ""
expect_offers "log: past --grep=TEXT" "Hut" "${w[@]}" log --grep = crane Berg ""
expect_offers "no names for --since's date" "" "${w[@]}" log --since ""

finish
