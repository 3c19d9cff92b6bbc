#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes it read-only as an
# installed program's folder is, and checks that both programs then keep
# their files in the user's folders.
set -euo pipefail
build="$1"

tmp=$(mktemp -d)
program=""
cleanup() {
    # A program still running at a failure is ended too, never left behind.
    if [ -n "$program" ]; then
        kill -9 "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true
    fi
    chmod -R u+w "$tmp"
    rm -rf "$tmp"
}
trap cleanup EXIT
prefix="$tmp/prefix"
export HOME="$tmp/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
mkdir -p "$HOME"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/quorvel bin/quorvel-cli share/applications/quorvel.desktop \
    share/icons/hicolor/scalable/apps/quorvel.svg share/man/man1/quorvel.1.gz \
    share/man/man1/quorvel-cli.1.gz share/metainfo/com.velmora.quorvel.metainfo.xml \
    share/bash-completion/completions/quorvel-cli share/doc/quorvel/copyright \
    share/doc/quorvel/changelog.gz share/quorvel/manual/index.html \
    share/quorvel/manual/style.css share/quorvel/manual/images/window.png; do
    [ -e "$prefix/$file" ] || fail "not installed: $file"
done
grep -q '^Exec=quorvel$' "$prefix/share/applications/quorvel.desktop" || fail "desktop entry"
chmod -R a-w "$prefix"

"$prefix/bin/quorvel-cli" --help >/dev/null || fail "quorvel-cli --help"
for page in quorvel quorvel-cli; do
    gzip -t "$prefix/share/man/man1/$page.1.gz" || fail "$page.1.gz is not gzip"
done

# Both programs tell the same version, without a display and before they
# read or write any file.
gui_version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/quorvel" --version) ||
    fail "quorvel --version"
cli_version=$("$prefix/bin/quorvel-cli" --version) || fail "quorvel-cli --version"
[ "$gui_version" = "quorvel ${cli_version#quorvel-cli }" ] ||
    fail "versions differ: [$gui_version] [$cli_version]"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/quorvel" --help |
    grep '^Usage: quorvel ' >/dev/null || fail "quorvel --help"
[ -z "$(ls -A "$HOME")" ] || fail "--version or --help wrote: $(ls -A "$HOME")"

# The default workspace of an installed program is in the user's data folder.
"$prefix/bin/quorvel-cli" new-client Acme >/dev/null 2>&1 || fail "new-client"
[ -d "$HOME/.local/share/quorvel/Projects/Acme" ] || fail "default workspace not in ~/.local/share"
[ -f "$HOME/.local/share/quorvel/Projects/QuorvelConfig.xml" ] || fail "no catalogue"

# The editor registry is in the user's configuration folder.
"$prefix/bin/quorvel-cli" add-editor Viewer /bin/cat >/dev/null 2>&1 || fail "add-editor"
[ -f "$HOME/.config/quorvel/Editor.ini" ] || fail "Editor.ini not in ~/.config/quorvel"

# The desktop program writes its settings there as it starts. It is started
# itself (no wrapper in between), so the process ended below is the program.
QT_QPA_PLATFORM=offscreen "$prefix/bin/quorvel" >/dev/null 2>&1 &
program=$!
for _ in $(seq 1 200); do
    [ -f "$HOME/.config/quorvel/quorvel.Ini" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
[ "$(readlink "/proc/$program/exe")" = "$prefix/bin/quorvel" ] ||
    fail "the process started is not the program"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
program=""
[ -f "$HOME/.config/quorvel/quorvel.Ini" ] || fail "settings not in ~/.config/quorvel"
for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" != "$prefix/bin/quorvel" ] ||
        fail "a quorvel is still running: ${exe%/exe}"
done

# Nothing was written beside the installed programs.
[ -z "$(ls "$prefix/bin" | grep -v -x -e quorvel -e quorvel-cli || true)" ] || fail "files beside the programs: $(ls "$prefix/bin")"
echo "1 passed, 0 failed"
