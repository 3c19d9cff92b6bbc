#!/usr/bin/env bash
# The README's quorvel-cli examples, run line by line as a reader would run
# them, in a fresh HOME, so that the README cannot drift from the tool.
# A line's comment may say what it prints ("prints: TEXT"), its exit status
# ("exit N", else 0), and a tool it needs that may be missing ("needs jq":
# the line is skipped without it).
source "$(dirname "$0")/lib.sh" "$1"

readme="$(dirname "$0")/../../README.md"
mapfile -t lines < <(awk '/^## From a terminal: quorvel-cli/ { section = 1 }
    section && /^```sh$/ { block = 1; next }
    block && /^```$/ { exit }
    block { print }' "$readme")
[ ${#lines[@]} -gt 0 ] || fail "no example block in the README's quorvel-cli section"

# The tool the lines call is the test's copy; nothing may appear beside it
# or beside the built program.
built_bin=$(dirname "$BUILT_CLI")
built_before=$(ls -A "$built_bin")
export PATH="$TMP/bin:$PATH"
mkdir -p "$TMP/cwd" "$HOME/.local/share"

ran=0
for line in "${lines[@]}"; do
    [ -n "$line" ] || continue
    note=""
    [[ "$line" == *"  # "* ]] && note=${line#*  # }
    if [[ "$note" =~ needs\ ([a-z0-9-]+) ]] && ! command -v "${BASH_REMATCH[1]}" >/dev/null; then
        echo "skipped, no ${BASH_REMATCH[1]}: $line"
        continue
    fi
    expected_rc=0
    [[ "$note" =~ (^|[;,] *)exit\ ([0-9]+) ]] && expected_rc=${BASH_REMATCH[2]}
    set +e
    (cd "$TMP/cwd" && bash -o pipefail -c "$line") </dev/null >"$TMP/out" 2>"$TMP/err"
    RC=$?
    set -e
    OUT=$(cat "$TMP/out")
    ERR=$(cat "$TMP/err")
    expect_rc "$expected_rc" "$line"
    if [[ "$note" =~ (^|; *)prints:\ ([^;]*) ]]; then
        expected=${BASH_REMATCH[2]}
        expect_eq "$OUT" "${expected%"${expected##*[! ]}"}" "$line: output"
    fi
    ran=$((ran + 1))
done
[ "$ran" -ge 5 ] || fail "only $ran example lines ran"

# The manual page shows the same lines, without their comments.
manual="$(dirname "$0")/../../docs/quorvel-cli.1"
manual_lines=$(awk '/^\.SH EXAMPLES/ { section = 1 }
    section && /^\.nf$/ { block = 1; next }
    block && /^\.fi$/ { exit }
    block { gsub(/\\-/, "-"); gsub(/\\e/, "\\"); print }' "$manual")
readme_lines=$(printf '%s\n' "${lines[@]}" | sed -e 's/  *# .*$//' -e '/^$/d')
expect_eq "$manual_lines" "$readme_lines" "the manual page's examples are the README's"

expect_eq "$(ls -A "$TMP/bin")" "quorvel-cli" "nothing beside the program the examples ran"
expect_eq "$(ls -A "$built_bin")" "$built_before" "nothing new beside the built program"

finish
