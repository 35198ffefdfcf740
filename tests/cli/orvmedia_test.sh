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

# A clip made for the test, a copy of it in a subfolder and a text named as a video.
mkdir -p "$data/media/sub"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x48:rate=10:duration=2 -c:v mpeg4 \
    "$data/media/clip one.mp4" && cp "$data/media/clip one.mp4" "$data/media/sub/two.mkv" ||
    { failed=$((failed + 1)); echo "FAIL ffmpeg could not make the test clips"; }
echo "not a film" >"$data/media/notes.mp4"

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
# Files and folders go through the scan: one summary line, exit 1 only when nothing could be read.
check "add a file with its title" 0 "$orvmedia" add "$data/media/clip one.mp4" --title Clip
expect_output "one added" "^1 added, 0 already in the library, 0 not video, 0 unreadable"
check "add the folder" 0 "$orvmedia" add "$data/media" "$data/none.mkv" --verbose
expect_output "summary" "^1 added, 1 already in the library, 1 not video, 1 unreadable, 0 letter-case collisions$"
expect_output "why not added" "^not video: $data/media/notes.mp4 \(not a media file\)$"
[ ! -s "$data/err" ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL progress shown off a terminal"; cat "$data/err"; }
# Thumbnails in the desktop's cache: the demo made those of its clips; the rest now, once.
check "thumbnails" 0 "$orvmedia" thumbnails --quiet
expect_output "made once" "^2 thumbnails made, 11 fresh already, 0 failed, 0 skipped, 2 not local$"
[ "$(find "$data/cache/thumbnails/normal" -name '*.png' | wc -l)" -eq 13 ] &&
    passed=$((passed + 1)) || { failed=$((failed + 1)); echo "FAIL thumbnails in the cache"; }
mkdir -p "$data/other" && cp "$data/media/clip one.mp4" "$data/other/three.mp4"
check "add with thumbnails" 0 "$orvmedia" add --thumbnails "$data/other/three.mp4"
expect_output "made while scanning" "^1 thumbnails made, 0 fresh already, 0 failed, 0 skipped$"
check "thumbnails of a playlist" 0 "$orvmedia" thumbnails --quiet "Evening Films"
expect_output "playlist's pictures fresh" "^0 thumbnails made, 3 fresh already, 0 failed, 0 skipped, 1 not local$"
check "thumbnails of no playlist" 1 "$orvmedia" thumbnails Nothing
check "rm the file added with thumbnails" 0 "$orvmedia" rm "$data/other/three.mp4"
check "nothing readable" 1 "$orvmedia" add "$data/none.mkv"
expect_refusal "nothing readable said" "nothing given could be read"
check "progress on a terminal" 0 script -qec "'$orvmedia' add '$data/media'" /dev/null
expect_output "progress line" $'\r.*found [0-9]+\+?, probed [0-9]+, added [0-9]+'
check "quiet on a terminal" 0 script -qec "'$orvmedia' add --quiet '$data/media'" /dev/null
! grep -q "found" "$data/out" && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL progress shown with --quiet"; cat "$data/out"; }
check "values for a folder" 1 "$orvmedia" add "$data/media" --title Everything
check "played" 0 "$orvmedia" played "$data/media/clip one.mp4" --title 1 --audio 2 --sub 3 --pos 4000
check "show" 0 "$orvmedia" show "$data/media/clip one.mp4"
expect_output "what the file says" "^duration: 0:00:02$"
expect_output "title given" "^title: Clip$"
expect_output "play counted" "play count: 1"
check "recent" 0 "$orvmedia" recent
expect_output "positions shown" "title 1  audio 2  subtitle 3  at 0:00:04"
rm "$data/media/sub/two.mkv"
check "rescan" 0 "$orvmedia" rescan "$data/media"
expect_output "gone listed" "^gone: $data/media/sub/two.mkv$"
expect_output "rescan summary" "^2 checked: 1 unchanged, 0 updated, 1 gone, 0 not video, 0 unreadable$"
check "rescan --prune" 0 "$orvmedia" rescan --prune --quiet "$data/media"
expect_output "pruned" "1 gone, 0 not video, 0 unreadable, 1 pruned$"
check "rm" 0 "$orvmedia" rm "$data/media/clip one.mp4"
check "rm again" 1 "$orvmedia" rm "$data/media/clip one.mp4"
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
mkdir -p "$data/names"
for name in Film.mkv film.mkv FILM.mkv "$(printf 'caf\351.mkv')" "$(printf 'caf\350.mkv')"; do
    cp "$data/media/clip one.mp4" "$data/names/$name"
done
check "add Film" 0 "$orvmedia" add "$data/names/Film.mkv" --title Film --size 734003200 \
    --duration 5412000
check "add film" 0 "$orvmedia" add "$data/names/film.mkv"
expect_output "collision named" "^letter-case collision: $data/names/film.mkv \(differs only in letter case from file://.*/Film.mkv \(id [0-9]+\)"
check "show FILM" 1 "$orvmedia" show "$data/names/FILM.mkv"
expect_refusal "stored entry named" "differs only in letter case from the stored entry file://.*/Film.mkv"
check "rm FILM" 1 "$orvmedia" rm "$data/names/FILM.mkv"
check "Film kept" 0 "$orvmedia" ls
expect_output "human size and duration" "700 MiB +1:30:12 +0 +Film"
latin1="$(printf '%s/names/caf\351.mkv' "$data")"
check "names not UTF-8" 0 "$orvmedia" add "$data/names"
expect_output "two names, two entries" "^2 added, 1 already in the library, 0 not video, 0 unreadable, 2 letter-case collisions$"
check "found by its bytes" 0 "$orvmedia" show "$latin1"
expect_output "raw byte percent-encoded" "^url: file://.*/caf%E9.mkv$"

# An older release's library that lists one file under several letter cases: info says how
# many listings the import passed over.
legacy="$data/legacy/Vireo/Vireo Player"
mkdir -p "$legacy"
cp "$(dirname "${BASH_SOURCE[0]}")/../../fuzz/regressions/legacy_library/case-duplicates.dat" \
    "$legacy/Database.dat"
check "info imports" 0 "$orvmedia" --data-home "$data/legacy" info
expect_output "duplicates counted" "^imported from an older release: 1 files, .* 2 duplicates skipped$"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
