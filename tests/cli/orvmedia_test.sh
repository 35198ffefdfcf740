#!/usr/bin/env bash
# The command-line host end to end on a fresh data folder: the demo twice, the commands on its
# library, and the refusals with their exit codes.
set -u
orvmedia="$1"
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME="$data/data" XDG_CONFIG_HOME="$data/config" XDG_CONFIG_DIRS="$data/etc" \
    XDG_CACHE_HOME="$data/cache"
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
expect_output() { # expect_output NAME PATTERN [FILE]: the last command's stdout matches PATTERN
    if grep -Eq -- "$2" "${3:-$data/out}"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1: output does not match '$2'"
        cat "${3:-$data/out}"
    fi
}
expect_refusal() { # expect_refusal NAME PATTERN: stderr is one line, "orvmedia: ..." matching it
    if [ "$(wc -l <"$data/err")" -eq 1 ] && grep -Eq -- "^orvmedia: .*$2" "$data/err"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1: stderr is not one line matching '$2'"
        cat "$data/err"
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
expect_output "positions shown" "title 1  audio 2  subtitle 3  at 0:00:04"
check "rm" 0 "$orvmedia" rm "$data/clip one.avi"
check "rm again" 1 "$orvmedia" rm "$data/clip one.avi"
check "settings set" 0 "$orvmedia" settings set Playback RecentFileMaximum 5 --type dword
for i in 1 2 3 4 5 6; do
    check "played $i" 0 "$orvmedia" played "http://example.com/$i.avi" --pos "$i"
done
check "recent after six plays" 0 "$orvmedia" recent --json
[ "$(grep -o '"url":' "$data/out" | wc -l)" -eq 5 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL trim: expected 5 recent entries"; cat "$data/out"; }

# The library's health and its copies: a page of the demo library damaged.
library="$XDG_DATA_HOME/Vireo/Vireo Studio/Media Library"
check "check sound" 0 "$orvmedia" check
expect_output "sound library" "is sound"
check "backup" 0 "$orvmedia" backup "$data/backup"
check "backup over a file" 1 "$orvmedia" backup "$data/backup"
page="$(sqlite3 "$library" "SELECT pageno FROM dbstat WHERE name = 'playlist_item' LIMIT 1")"
dd if=/dev/urandom of="$library" bs=4096 seek=$((page - 1)) count=1 conv=notrunc 2>/dev/null
cp "$library" "$data/damaged"
check "check damaged" 1 "$orvmedia" check
expect_output "damage named" "table playlist_item"
check "check json" 1 "$orvmedia" check --json
expect_output "json report" '"sound":false'
check "repair while open" 1 bash -c 'exec 3<"$1"; "$2" repair; exit $?' _ "$library" "$orvmedia"
check "repair" 0 "$orvmedia" repair
cmp -s "$data/damaged" "$library".damaged-* && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL repair: the damaged file is not kept as it was"; }
check "check repaired" 0 "$orvmedia" check
check "repaired files" 0 "$orvmedia" ls --json
[ "$(grep -o '"id":' "$data/out" | wc -l)" -eq 12 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL repair: expected 12 files"; cat "$data/out"; }
check "repair again" 0 "$orvmedia" repair
expect_output "nothing to repair" "nothing to repair"
check "restore damaged" 1 "$orvmedia" restore "$data/damaged"
check "restore" 0 "$orvmedia" restore "$data/backup"
expect_output "replaced library kept" "Media Library.replaced-"

check "settings bad type" 1 "$orvmedia" settings set Playback X 1 --type float
check "settings set default" 0 "$orvmedia" settings set Playback @ "Evening" --type string
check "settings get default" 0 "$orvmedia" settings get Playback @
expect_output "default value read" "^Evening$"
check "settings ls" 0 "$orvmedia" settings ls Playback
expect_output "default value listed as @" "^@ = Evening \(string\)$"
grep -q '^@="Evening"$' "$data/config/Vireo/registry.reg" && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL default value line"; cat "$data/config/Vireo/registry.reg"; }
check "unknown command" 1 "$orvmedia" frobnicate
check "version" 0 "$orvmedia" --version
expect_output "version shown" "^orvmedia [0-9]+\.[0-9]+\.[0-9]+$"
check "help" 0 "$orvmedia" ls --help
expect_output "generated help" "--json"

# What people type: URLs of any scheme, numbers the library cannot store, options out of place.
check "magnet link" 0 "$orvmedia" add 'magnet:?xt=urn:btih:c12fe1&dn=Big%20Film'
check "magnet link shown" 0 "$orvmedia" show 'magnet:?xt=urn:btih:c12fe1&dn=Big%20Film'
expect_output "stored as a URL" "^url: magnet:\?xt=urn:btih:c12fe1"
check "size beyond 2^63-1" 1 "$orvmedia" add http://example.com/big.avi --size 9223372036854775808
expect_refusal "size refused" "--size takes a whole number"
check "position beyond 2^63-1" 1 "$orvmedia" played http://example.com/1.avi --pos 18446744073709551615
check "audio without title" 1 "$orvmedia" played http://example.com/1.avi --audio 2
expect_refusal "audio refused" "--audio belongs to a title"
check "empty data home" 1 "$orvmedia" --data-home '' info
mkdir -p "$data/folder/Vireo/Vireo Studio/Media Library"
check "library file is a folder" 1 "$orvmedia" --data-home "$data/folder" ls
expect_refusal "one line, no Qt warning" "cannot open the library"

# Names that differ only in letter case are other files; names that are not UTF-8 keep their bytes.
check "add Film" 0 "$orvmedia" add "$data/Film.mkv" --title Film --size 734003200 --duration 5412000
check "add film" 1 "$orvmedia" add "$data/film.mkv"
expect_refusal "collision named" "differs only in letter case from the stored entry file://.*/Film.mkv"
check "show FILM" 1 "$orvmedia" show "$data/FILM.mkv"
check "rm FILM" 1 "$orvmedia" rm "$data/FILM.mkv"
check "Film kept" 0 "$orvmedia" ls
expect_output "human size and duration" "700 MiB +1:30:12 +0 +Film"
latin1="$(printf '%s/caf\351.mkv' "$data")"
check "name not UTF-8" 0 "$orvmedia" add "$latin1"
check "second name not UTF-8" 0 "$orvmedia" add "$(printf '%s/caf\350.mkv' "$data")"
check "found by its bytes" 0 "$orvmedia" show "$latin1"
expect_output "raw byte percent-encoded" "^url: file://.*/caf%E9.mkv$"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
