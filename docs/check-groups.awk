# Doxygen does not warn about a member group whose members have no documentation: the group's
# first comment documents them all. This check makes an undocumented group fail like any other
# undocumented member: the line after every "/** @{ */" must be a "///" comment.
#   awk -f check-groups.awk HEADER...
opened {
    if ($0 !~ /^[ \t]*\/\/\//) {
        print FILENAME ":" FNR ": error: a member group without documentation"
        failed = 1
    }
    opened = 0
}
/^[ \t]*\/\*\* @\{ \*\/[ \t]*$/ {
    opened = 1
}
END {
    exit failed
}
