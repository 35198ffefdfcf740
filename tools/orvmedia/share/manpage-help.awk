# Turns one help text of orvmedia (what "orvmedia [COMMAND [SUBCOMMAND]] --help" prints) into
# roff for the manual page. Texts of the generated form (a "usage:" line, the other forms of
# the command, the description, then "Options:" and "Arguments:" lists) become a synopsis, a
# paragraph and tagged lists; any other text is kept as it is, in a block without filling.
#   awk -v part=top -f manpage-help.awk       the program's own help: the NAME, SYNOPSIS and
#                                             DESCRIPTION sections
#   awk -v part=options -f manpage-help.awk   the program's own help: the OPTIONS section
#   awk -v part=command -f manpage-help.awk   one command's help, below its heading (without
#                                             --help, which every command has)

# Text as roff prints it: backslashes escaped, a leading dot or quote kept literal.
function text(s) {
    gsub(/\\/, "\\e", s)
    if (s ~ /^[.']/)
        s = "\\&" s
    return s
}

# One word of a synopsis or an option: options and literal words bold, placeholders italic.
function word(w,    n, i, alternatives, out, a, head, tail) {
    head = ""
    tail = ""
    while (w ~ /^[[(]/) {
        head = head substr(w, 1, 1)
        w = substr(w, 2)
    }
    while (w ~ /[]).,]$/) {
        tail = substr(w, length(w), 1) tail
        w = substr(w, 1, length(w) - 1)
    }
    if (w ~ /^<.*>$/)
        return head "\\fI" substr(w, 2, length(w) - 2) "\\fR" tail
    n = split(w, alternatives, "|")
    out = ""
    for (i = 1; i <= n; i++) {
        a = alternatives[i]
        if (a ~ /^-/) {
            gsub(/-/, "\\-", a)
            a = "\\fB" a "\\fR"
        } else if (a ~ /^[A-Z][A-Z0-9_]*$/) {
            a = "\\fI" a "\\fR"
        } else if (a != "") {
            a = "\\fB" text(a) "\\fR"
        }
        out = out (i > 1 ? "|" : "") a
    }
    return head out tail
}

function words(s,    n, i, parts, out) {
    n = split(s, parts, / +/)
    out = ""
    for (i = 1; i <= n; i++)
        out = out (out == "" ? "" : " ") word(parts[i])
    return out
}

# Ends the tagged entry being gathered; the list's heading comes before its first entry.
function flush_entry() {
    if (term == "" || (part == "command" && term == "-h, --help")) {
        term = ""
        return
    }
    if (heading != "") {
        print heading
        heading = ""
    }
    print ".TP"
    print (section == "Arguments:" ? "\\fI" text(term) "\\fR" : words(term))
    print text(about)
    term = ""
    about = ""
}

part == "options" && !/^(Options|Arguments|Commands):$/ && section == "" {
    next
}
NR == 1 && !/^usage: / {
    free = 1
    print ".PP"
    print ".nf"
}
free {
    print text($0)
    next
}
NR == 1 {
    sub(/^usage: /, "")
    forms[++nforms] = $0
    state = "forms"
    next
}
state == "forms" && /^orvmedia / {
    forms[++nforms] = $0
    next
}
state == "forms" {
    if (part == "top") {
        name = $0
        sub(/\.$/, "", name)
        print ".SH NAME"
        print "orvmedia \\- " tolower(substr(name, 1, 1)) substr(name, 2)
        print ".SH SYNOPSIS"
    }
    print ".nf"
    for (i = 1; i <= nforms; i++)
        print words(forms[i])
    print ".fi"
    if (part == "top") {
        print ".SH DESCRIPTION"
        print text($0)
        exit
    }
    print ".PP"
    state = "description"
}
state == "description" && /^$/ {
    state = "lists"
    next
}
state == "description" {
    print text($0)
    next
}
/^(Options|Arguments|Commands):$/ {
    flush_entry()
    section = $0
    heading = part == "options" ? ".SH OPTIONS" : ".PP\n" section
    next
}
part == "options" && section != "Options:" {
    # The program's arguments and commands have sections of their own.
    next
}
/^  [^ ]/ {
    flush_entry()
    line = substr($0, 3)
    split_at = match(line, /  +/)
    if (split_at) {
        term = substr(line, 1, split_at - 1)
        about = substr(line, split_at + RLENGTH)
    } else {
        term = line
        about = ""
    }
    next
}
/^   +[^ ]/ {
    sub(/^ +/, "")
    about = about " " $0
    next
}
/^$/ {
    flush_entry()
    next
}
part == "options" {
    next
}
{
    print text($0)
}
END {
    flush_entry()
    if (free)
        print ".fi"
}
