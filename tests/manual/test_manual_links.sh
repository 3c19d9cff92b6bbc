#!/usr/bin/env bash
# The user manual holds together: every link and picture of every page
# leads to a file of the manual (and, with an anchor, to an id on that
# page), every page and picture is reached, and the copy a build keeps
# beside its programs is the manual itself.
# Usage: test_manual_links.sh MANUAL_FOLDER [BUILD_COPY]
set -euo pipefail
manual="$1"
copy="${2:-}"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cd "$manual"
[ -f index.html ] || fail "no index.html in $manual"
reached=(index.html)
for page in *.html; do
    # Every href= and src= value on the page (the pages quote with ").
    while IFS= read -r target; do
        case "$target" in
        http://* | https://* | mailto:*) fail "$page links outside the manual: $target" ;;
        "") fail "$page has an empty link" ;;
        *)
            file="${target%%#*}"
            anchor=""
            [ "$file" = "$target" ] || anchor="${target#*#}"
            [ -n "$file" ] || file="$page"
            if [ ! -f "$file" ]; then
                fail "$page: $target leads nowhere"
            elif [ -n "$anchor" ] && ! grep -q "id=\"$anchor\"" "$file"; then
                fail "$page: $target: $file has no id \"$anchor\""
            fi
            reached+=("$file")
            ;;
        esac
    done < <(grep -o -E '(href|src)="[^"]*"' "$page" | sed -E 's/^(href|src)="(.*)"$/\2/')
    grep -q '<title>[^<]' "$page" || fail "$page has no title"
    grep -q '<html lang="en">' "$page" || fail "$page names no language"
    [ "$(grep -o '<img' "$page" | wc -l)" = "$(grep -o 'alt="[^"]' "$page" | wc -l)" ] ||
        fail "$page has a picture without words for those who cannot see it"
done
while IFS= read -r file; do
    file="${file#./}"
    # Not grep -q: quitting at the first match could cut printf off with
    # SIGPIPE, which pipefail takes for no match.
    printf '%s\n' "${reached[@]}" | grep -x -F "$file" >/dev/null || fail "nothing leads to $file"
done < <(find . -type f ! -name '*.css' | sort)

if [ -n "$copy" ]; then
    diff -r "$manual" "$copy" >/dev/null || fail "the build's copy $copy differs from $manual"
fi

if [ "$failures" -gt 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
