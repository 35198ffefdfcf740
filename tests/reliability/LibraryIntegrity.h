#pragma once

// What every library must satisfy whatever happened to it: the checks of orvmedia check (SQLite
// finds the file sound, and the library keeps its own rules: every table there, no detail row
// without the row it belongs to, each system playlist exactly once, no two items in one place of
// a playlist, the recent list within its maximum, a known schema version). One helper for the
// thread, fault, crash, damaged file and fuzz checks alike; it uses no test framework, so the fuzz
// targets can call it too.

#include <QSqlDatabase>
#include <QStringList>

namespace orvtest {

// The recent-file maximum a library has when the settings hold none.
const int kDefaultRecentMaximum = 30;

// Every broken rule, one line each; empty when the library is intact. Runs on an open
// connection (inside its transaction, if one is open).
QStringList libraryIntegrityProblems(const QSqlDatabase& db,
                                     int recentMaximum = kDefaultRecentMaximum);

} // namespace orvtest
