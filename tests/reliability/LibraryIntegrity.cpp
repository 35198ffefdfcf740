#include "LibraryIntegrity.h"

#include "LibraryCheck.h"
#include "LibraryRules.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace orvtest {

QStringList libraryIntegrityProblems(const QSqlDatabase& db, int recentMaximum) {
    // The checks of orvmedia check, on the connection's own sqlite3 handle so that they see what
    // its open transaction holds.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!db.isOpen() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return {QStringLiteral("the library connection is not open")};
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    QStringList problems;
    const LibraryMaintenance::Problems found =
        LibraryMaintenance::integrityProblems(connection) +
        LibraryMaintenance::ruleProblems(connection, recentMaximum);
    for (const LibraryMaintenance::Problem& problem : found)
        problems << problem.text;
    return problems;
}

} // namespace orvtest
