#!/usr/bin/env bash
# The Debian packages as someone who installs them meets them: both are unpacked into a
# temporary root, where orvmedia runs from its installed place (finding the plugin relative to
# itself) and the example host installed with the -dev package is built against that root only,
# once with find_package(OrvMediaManager) and once with pkg-config, and run on fresh data folders.
#   installed_test.sh orvmedia_VERSION_amd64.deb orvmedia-dev_VERSION_amd64.deb (in any order)
set -u
[ $# -eq 2 ] || {
    echo "usage: installed_test.sh RUNTIME.deb DEV.deb" >&2
    exit 2
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL $*"
}
# fresh NAME: a fresh home, data and settings folder; nothing outside the work folder is used.
fresh() {
    local home="$work/$1"
    mkdir -p "$home"
    export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
        XDG_CONFIG_DIRS="$home/etc" XDG_CACHE_HOME="$home/cache"
}
unset ORV_PLUGIN_PATH

for deb in "$@"; do
    dpkg-deb -x "$deb" "$root" || fail "unpacking $deb"
done
runtime=""
for deb in "$@"; do
    [ "$(dpkg-deb -f "$deb" Package)" = orvmedia ] && runtime="$deb"
done
depends="$(dpkg-deb -f "$runtime" Depends)"
for needed in libqt6core6 libqt6sql6 libqt6sql6-sqlite libsqlite3-0; do
    grep -q "$needed" <<<"$depends" && pass || fail "orvmedia does not depend on $needed: $depends"
done
libdir="$(dirname "$(find "$root/usr/lib" -name 'libOrvLibrary.so.1' | head -n 1)")"
[ -f "$libdir/vireo/plugins/libOrvMediaManagerPlugin.so" ] && pass || fail "no plugin in $libdir/vireo/plugins"

# The installed program, its library where the system's would be.
orvmedia() { LD_LIBRARY_PATH="$libdir" "$root/usr/bin/orvmedia" "$@"; }
fresh demo
orvmedia demo >"$work/demo.out" 2>&1 && pass || { fail "installed orvmedia demo"; cat "$work/demo.out"; }
orvmedia playlists >"$work/playlists.out" 2>&1 && pass || fail "installed orvmedia playlists"
# ID TYPE ITEMS SORT NAME, built-in playlists named in parentheses: as "ID TYPE ITEMS NAME".
awk 'NR > 1 { name = $5; for (i = 6; i <= NF; i++) name = name " " $i
              if (name ~ /^\(/) name = "-"; print $1, $2, $3, name }' "$work/playlists.out" \
    >"$work/expected"
demo_data="$XDG_DATA_HOME"
# The modules the program loads from its modules' folder: the demo's clips with their
# thumbnails, and a clip added to a fresh library probed for its length.
[ -n "$(find "$XDG_CACHE_HOME/thumbnails/normal" -name '*.png' 2>/dev/null)" ] && pass ||
    fail "the installed demo made no thumbnails"
clip="$(find "$demo_data" -name '*.mkv' | head -n 1)"
fresh added
if [ -n "$clip" ] && orvmedia add "$clip" >"$work/add.out" 2>&1 &&
    orvmedia ls --json | grep -q '"duration":[1-9]'; then
    pass
else
    fail "installed orvmedia add of $clip"
    cat "$work/add.out"
fi
LD_LIBRARY_PATH="$libdir" "$root/usr/bin/orvmedia-gui" --version | grep -q "$(orvmedia --version | awk '{ print $NF }')" &&
    pass || fail "installed orvmedia-gui --version"
page="$root/usr/share/man/man1/orvmedia.1.gz"
for command in $(orvmedia --help | awk '/^Commands:$/ { l = 1; next } l && /^  [^ ]/ { print $1 }'); do
    zcat "$page" | grep -qx "\.SS $command" && pass || fail "the installed manual page lacks $command"
done

# The example host, copied out of the package and built against the temporary root only.
cp -r "$root/usr/share/doc/orvmedia-dev/examples/minimal-host" "$work/src"
if cmake -S "$work/src" -B "$work/build" -DCMAKE_PREFIX_PATH="$root/usr" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/cmake.out" 2>&1 &&
    cmake --build "$work/build" >>"$work/cmake.out" 2>&1; then
    pass
else
    fail "building the example with find_package"
    cat "$work/cmake.out"
fi
grep -q "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)" "$work/build/CMakeCache.txt" &&
    fail "the example's build refers to the source tree" || pass
pc="$(find "$root/usr/lib" -name OrvMediaManager.pc | head -n 1)"
flags="$(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --cflags --libs OrvMediaManager)"
plugindir="$(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --variable=plugindir OrvMediaManager)"
# shellcheck disable=SC2086
if g++ -std=c++17 -fPIC -o "$work/minimal-host-pc" "$work/src/main.cpp" $flags \
    -DMINIMAL_HOST_PLUGIN="\"$plugindir/libOrvMediaManagerPlugin.so\"" 2>"$work/gcc.out"; then
    pass
else
    fail "building the example with pkg-config"
    cat "$work/gcc.out"
fi

for host in "$work/build/minimal-host" "$work/minimal-host-pc"; do
    fresh "fresh-$(basename "$host")"
    if LD_LIBRARY_PATH="$libdir" "$host" >"$work/fresh.out" 2>"$work/fresh.err"; then
        # The six built-in playlists, empty, and nothing on stderr.
        [ "$(tail -n +3 "$work/fresh.out" | awk '$3 == 0' | wc -l)" -eq 6 ] &&
            [ "$(wc -l <"$work/fresh.out")" -eq 8 ] && [ ! -s "$work/fresh.err" ] && pass ||
            { fail "$host on a fresh folder"; cat "$work/fresh.out" "$work/fresh.err"; }
    else
        fail "$host on a fresh folder"
        cat "$work/fresh.out" "$work/fresh.err"
    fi
    XDG_DATA_HOME="$demo_data" LD_LIBRARY_PATH="$libdir" "$host" >"$work/demo-host.out" 2>&1 &&
        diff <(tail -n +3 "$work/demo-host.out") "$work/expected" && pass ||
        { fail "$host on the demo library lists other playlists than orvmedia"; cat "$work/demo-host.out"; }
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
