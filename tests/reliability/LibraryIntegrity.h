#pragma once

// What every library must satisfy whatever happened to it: SQLite finds the file sound, no
// detail row outlives the row it belongs to, each system playlist exists exactly once, and the
// recent list holds nothing older than its newest entries up to the maximum. One helper for the
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
