#!/usr/bin/env bash
# What the manual page and bash completion show of the program: the page names every command
# and option "orvmedia --help" lists, with the version "orvmedia --version" prints; completion
# offers the commands, a command's subcommands and a command's options.
#   manual_test.sh ORVMEDIA MANPAGE COMPLETION
set -u
orvmedia="$1"
page="$2"
completion="$3"
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL $*"
}

help="$("$orvmedia" --help)"
commands="$(awk '/^Commands:$/ { listed = 1; next } listed && /^  [^ ]/ { print $1 }' <<<"$help")"
[ "$(wc -w <<<"$commands")" -ge 10 ] && pass || fail "too few commands in --help: $commands"
for command in $commands; do
    grep -qx "\.SS $command" "$page" && pass || fail "the manual page has no section for $command"
done
# Options appear in roff with escaped minus signs.
for option in $(grep -Eo -- '--[a-z-]+' <<<"$(sed -n '/^Options:/,/^$/p' <<<"$help")"); do
    grep -qF -- "\\fB${option//-/\\-}\\fR" "$page" && pass || fail "the manual page lacks $option"
done
version="$("$orvmedia" --version)"
grep -q "^\.TH ORVMEDIA 1 \"\" \"$version\"" "$page" && pass || fail "page not of $version"

# shellcheck source=/dev/null
source "$completion"
complete_words() { # complete_words WORD...: what completing the last word offers
    COMP_WORDS=("$orvmedia" "$@")
    COMP_CWORD=$#
    _orvmedia
    echo "${COMPREPLY[*]}"
}
[ "$(complete_words "")" = "$(echo $commands)" ] && pass || fail "completion of the commands"
[ "$(complete_words --data-home /tmp playl)" = "playlists playlist" ] && pass ||
    fail "completion after --data-home: $(complete_words --data-home /tmp playl)"
[ "$(complete_words playlist re)" = "rename remove" ] && pass ||
    fail "completion of subcommands: $(complete_words playlist re)"
[ "$(complete_words playlist sort NAME --d)" = "--desc" ] && pass ||
    fail "completion of a subcommand's options: $(complete_words playlist sort NAME --d)"
[ "$(complete_words ls -)" = "--help --json" ] && pass ||
    fail "completion of a command's options: $(complete_words ls -)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
