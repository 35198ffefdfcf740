#!/usr/bin/env bash
# Where a host finds the plugin: the file ORV_PLUGIN_PATH names, else the plugin beside the
# program (a build tree), else the one in the installed plugin folder relative to the program;
# with none of them, one line on stderr and exit 1. The program is copied into a folder of its
# own, alone or with the plugin where an installed tree keeps it.
#   plugin_lookup_test.sh ORVMEDIA PLUGIN PLUGINDIR_FROM_BINDIR
set -u
orvmedia="$1"
plugin="$2"
relative="$3"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
export XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/etc"
unset ORV_PLUGIN_PATH
mkdir -p "$root/bin"
cp "$orvmedia" "$root/bin/orvmedia"
installed="$(cd "$root/bin" && mkdir -p "$relative" && cd "$relative" && pwd -P)"
passed=0
failed=0

check() { # check NAME EXPECTED-EXIT PATTERN COMMAND...: the exit code, and stdout or stderr
    local name="$1" expected="$2" pattern="$3"
    shift 3
    "$@" >"$root/out" 2>"$root/err"
    local got=$?
    if [ "$got" -ne "$expected" ]; then
        failed=$((failed + 1))
        echo "FAIL $name: exit $got, expected $expected"
        cat "$root/out" "$root/err"
    elif [ "$expected" -ne 0 ] && ! { [ "$(wc -l <"$root/err")" -eq 1 ] &&
        grep -Eq -- "^orvmedia: $pattern" "$root/err"; }; then
        failed=$((failed + 1))
        echo "FAIL $name: stderr is not one line matching '$pattern'"
        cat "$root/err"
    elif [ "$expected" -eq 0 ] && ! grep -Eq -- "$pattern" "$root/out"; then
        failed=$((failed + 1))
        echo "FAIL $name: output does not match '$pattern'"
        cat "$root/out"
    else
        passed=$((passed + 1))
    fi
}

check "no plugin anywhere" 1 \
    "no plugin: libOrvMediaManagerPlugin.so is neither in $root/bin nor in $installed " \
    "$root/bin/orvmedia" info
cp "$plugin" "$installed/"
check "installed plugin folder" 0 "schema version: 65792" "$root/bin/orvmedia" info
# A file beside the program comes first: a broken one is reported, not passed over.
echo "not a library" >"$root/bin/libOrvMediaManagerPlugin.so"
check "beside the program first" 1 "cannot load the plugin" "$root/bin/orvmedia" info
check "ORV_PLUGIN_PATH first of all" 0 "schema version: 65792" \
    env ORV_PLUGIN_PATH="$installed/libOrvMediaManagerPlugin.so" "$root/bin/orvmedia" info
check "ORV_PLUGIN_PATH names no file" 1 "ORV_PLUGIN_PATH names $root/none.so, which does not exist" \
    env ORV_PLUGIN_PATH="$root/none.so" "$root/bin/orvmedia" info

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
