#!/usr/bin/env bash
# Writes the manual page orvmedia(1) to OUTPUT, made from the program's own help so that it
# says what the program says: the options and commands of "orvmedia --help", every command's
# "orvmedia COMMAND --help", and for commands with subcommands each "orvmedia COMMAND SUB --help".
#   orvmedia-manpage.sh ORVMEDIA VERSION PLUGIN_DIR OUTPUT
# Run at build time; the program runs on an empty data and settings folder of its own.
set -euo pipefail
orvmedia="$1"
version="$2"
plugindir="$3"
output="$4"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" \
    XDG_CONFIG_DIRS="$scratch/etc" LC_ALL=C.UTF-8
unset ORV_PLUGIN_PATH

# help WORDS...: the help of a command; fails unless the command prints one.
help() {
    "$orvmedia" "$@" --help >"$scratch/help" 2>/dev/null && [ -s "$scratch/help" ]
}
convert() { # convert PART: roff of the help just read
    awk -v part="$1" -f "$here/manpage-help.awk" "$scratch/help"
}

help
top="$(cat "$scratch/help")"
commands="$(awk '/^Commands:$/ { listed = 1; next } listed && /^  [^ ]/ { print $1 }' \
    <<<"$top")"

exec >"$output.new"
echo ".TH ORVMEDIA 1 \"\" \"orvmedia $version\" \"User Commands\""
convert top
cat <<'TEXT'
.PP
Every command reads and writes the library through the plugin, loaded as the
player loads it. A refusal (a name that is taken, an unknown playlist or file,
bad input) prints one line on standard error. Change messages the plugin
publishes go to standard error, one line each.
.B orvmedia
.I COMMAND
.B \-\-help
tells more about one command.
TEXT
convert options
echo ".SH COMMANDS"
for command in $commands; do
    echo ".SS $command"
    help "$command" || {
        echo "orvmedia-manpage.sh: orvmedia $command --help failed" >&2
        exit 1
    }
    usage="$(cat "$scratch/help")"
    convert command
    # A command with subcommands lists their forms as "orvmedia COMMAND SUB ...".
    subs="$(awk -v c="$command" '$1 == "orvmedia" && $2 == c && $3 ~ /^[a-z][a-z-]*$/ { print $3 }' \
        <<<"$usage" | awk '!seen[$0]++')"
    for sub in $subs; do
        if help "$command" "$sub" && head -n 1 "$scratch/help" | grep -q '^usage: '; then
            echo ".SS \"$command $sub\""
            convert command
        fi
    done
done
cat <<TEXT
.SH EXIT STATUS
0 when the command did its work, 1 when it refused or failed (with one line on
standard error), 2 when no command was given.
.SH ENVIRONMENT
.TP
.B XDG_DATA_HOME
The data folder (\fI~/.local/share\fR when it is not set); \fB\-\-data\-home\fR
overrides it.
.TP
.B XDG_CONFIG_HOME
The folder of the per-user settings file (\fI~/.config\fR when it is not set).
.TP
.B XDG_CONFIG_DIRS
The first of these folders holds the machine-wide settings file (\fI/etc/xdg\fR
when it is not set).
.TP
.B ORV_PLUGIN_PATH
The plugin's file, instead of the one beside the program or the installed one.
.SH FILES
.TP
.I \$XDG_DATA_HOME/Vireo/Vireo Studio/Media Library
The library, an SQLite file, made when missing.
.TP
.I \$XDG_CONFIG_HOME/Vireo/registry.reg
The per-user settings file; the machine-wide one is \fIVireo/registry.reg\fR in
the first folder of \fB\$XDG_CONFIG_DIRS\fR.
.TP
.I $plugindir/libOrvMediaManagerPlugin.so
The plugin.
TEXT
exec >&-
mv "$output.new" "$output"
