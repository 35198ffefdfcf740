#pragma once

// One thing wrong with a library file, as check reports it.

#include <QList>
#include <QString>

namespace LibraryMaintenance {

struct Problem {
    // A fixed word for programs that read the report: "missing", "empty", "not-a-database",
    // "header", "cut-short", "journal", "page", "missing-table", "unreadable", "orphans",
    // "built-in-playlists", "play-order", "recent-maximum", "schema-version".
    QString kind;
    // The table or index concerned; empty when the problem is the file's.
    QString object;
    // One line for a person.
    QString text;
};

typedef QList<Problem> Problems;

} // namespace LibraryMaintenance
