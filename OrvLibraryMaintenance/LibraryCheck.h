#pragma once

// What is wrong with a library file: first the file itself (its size and header, a journal that
// an interrupted write left beside it), then SQLite's integrity check with each finding named by
// the table or index it is in, then the library's own rules.

#include "Problem.h"

#include <sqlite3.h>

namespace LibraryMaintenance {

class Connection;

struct CheckReport {
    QString path;
    Problems problems;
    bool sound() const { return problems.isEmpty(); }
};

// Checks the library at path without changing it or its side files; recentMaximum is the
// recent list's maximum as the player's settings give it.
CheckReport checkLibrary(const QString& path, int recentMaximum);

// SQLite's integrity check on an open connection, each finding named by its table or index.
Problems integrityProblems(sqlite3* db);

// Opens a library file to read what can still be read: statements only read, cells are checked
// before they are used, and a file shorter than its header counts is read as far as it goes.
// flags are those of sqlite3_open_v2.
bool openForReading(Connection& connection, const QString& path, int flags, QString* error);

} // namespace LibraryMaintenance
