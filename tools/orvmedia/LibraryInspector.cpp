#include "LibraryInspector.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

namespace {
const char kConnectionName[] = "orvmedia-inspector";
// Tables whose rows may be counted; the name is never taken from a caller into the text.
const char* const kCountableTables[] = {"node",          "media_file",    "video_file",
                                        "playlist",      "playlist_item", "recent_file",
                                        "acquired_file", "queued_file"};
} // namespace

LibraryInspector::LibraryInspector(const QString& path)
    : connection(QLatin1String(kConnectionName)) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=120000"));
    db.setDatabaseName(path);
    db.open();
}

LibraryInspector::~LibraryInspector() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

qint64 LibraryInspector::schemaVersion() const {
    return single(QStringLiteral("SELECT version FROM schema_data"));
}

qint64 LibraryInspector::count(const QString& table) const {
    for (const char* known : kCountableTables) {
        if (table == QLatin1String(known))
            return single(QStringLiteral("SELECT count(*) FROM ") + table);
    }
    return -1;
}

qint64 LibraryInspector::single(const QString& statement) const {
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!query.exec(statement) || !query.next())
        return -1;
    bool ok = false;
    const qint64 value = query.value(0).toLongLong(&ok);
    return ok ? value : -1;
}
