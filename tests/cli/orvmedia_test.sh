#!/usr/bin/env bash
# The command-line host end to end on a fresh data folder: the demo twice, the commands on its
# library, and the refusals with their exit codes.
set -u
orvmedia="$1"
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME="$data/data" XDG_CONFIG_HOME="$data/config" XDG_CONFIG_DIRS="$data/etc"
passed=0
failed=0

check() { # check NAME EXPECTED-EXIT COMMAND...
    local name="$1" expected="$2"
    shift 2
    "$@" >"$data/out" 2>"$data/err"
    local got=$?
    if [ "$got" -eq "$expected" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: exit $got, expected $expected"
        cat "$data/out" "$data/err"
    fi
}
expect_output() { # expect_output NAME PATTERN: the last command's stdout matches PATTERN
    if grep -Eq -- "$2" "$data/out"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1: output does not match '$2'"
        cat "$data/out"
    fi
}

check "info on an empty folder" 0 "$orvmedia" info
expect_output "new library version" "schema version: 65792"
expect_output "six built-in playlists" "playlists: 6"
check "demo" 0 "$orvmedia" demo
check "demo again" 0 "$orvmedia" demo
check "ls" 0 "$orvmedia" ls --json
[ "$(grep -o '"id":' "$data/out" | wc -l)" -eq 12 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL demo twice: expected 12 files"; cat "$data/out"; }
check "queue" 0 "$orvmedia" queue --json
[ "$(grep -o '"id":' "$data/out" | wc -l)" -eq 2 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL demo twice: expected 2 downloads"; cat "$data/out"; }
check "reset downloads" 0 "$orvmedia" reset-downloads
check "playlists" 0 "$orvmedia" playlists
expect_output "sample playlist" "Evening Films"
check "new playlist" 0 "$orvmedia" playlist new Mix
check "taken name" 1 "$orvmedia" playlist new MIX
check "rename built-in" 1 "$orvmedia" playlist rename 2 Videos
check "unknown playlist" 1 "$orvmedia" playlist rm Nothing
check "remove playlist" 0 "$orvmedia" playlist rm Mix
check "add" 0 "$orvmedia" add "$data/clip one.avi" --title Clip --size 10 --duration 20
check "add twice" 1 "$orvmedia" add "$data/clip one.avi"
check "played" 0 "$orvmedia" played "$data/clip one.avi" --title 1 --audio 2 --sub 3 --pos 4000
check "show" 0 "$orvmedia" show "$data/clip one.avi"
expect_output "play counted" "play count: 1"
check "recent" 0 "$orvmedia" recent
expect_output "positions shown" "title 1  audio 2  subtitle 3  at 4000 ms"
check "rm" 0 "$orvmedia" rm "$data/clip one.avi"
check "rm again" 1 "$orvmedia" rm "$data/clip one.avi"
check "settings set" 0 "$orvmedia" settings set Playback RecentFileMaximum 5 --type dword
for i in 1 2 3 4 5 6; do
    check "played $i" 0 "$orvmedia" played "http://example.com/$i.avi" --pos "$i"
done
check "recent after six plays" 0 "$orvmedia" recent --json
[ "$(grep -o '"url":' "$data/out" | wc -l)" -eq 5 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL trim: expected 5 recent entries"; cat "$data/out"; }
check "settings bad type" 1 "$orvmedia" settings set Playback X 1 --type float
check "settings set default" 0 "$orvmedia" settings set Playback @ "Evening" --type string
check "settings get default" 0 "$orvmedia" settings get Playback @
expect_output "default value read" "^Evening$"
check "settings ls" 0 "$orvmedia" settings ls Playback
expect_output "default value listed as @" "^@ = Evening \(string\)$"
grep -q '^@="Evening"$' "$data/config/Vireo/registry.reg" && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL default value line"; cat "$data/config/Vireo/registry.reg"; }
check "unknown command" 1 "$orvmedia" frobnicate
check "help" 0 "$orvmedia" ls --help

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
