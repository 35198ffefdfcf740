#include "LibraryIntegrity.h"

#include <QSqlError>
#include <QSqlQuery>

namespace orvtest {

namespace {

// A detail row and the row it belongs to: child table and column, parent table and column.
struct ParentRule {
    const char* child;
    const char* childColumn;
    const char* parent;
    const char* parentColumn;
};

const ParentRule kParentRules[] = {
    {"media_file", "node_id", "node", "node_id"},
    {"video_file", "node_id", "media_file", "node_id"},
    {"acquired_file", "node_id", "node", "node_id"},
    {"queued_file", "node_id", "acquired_file", "node_id"},
    {"playlist_item", "playlist_id", "playlist", "playlist_id"},
    {"playlist_item", "node_id", "node", "node_id"},
    {"recent_file_position", "recent_file_id", "recent_file", "recent_file_id"},
};

// The playlist types the library keeps exactly one playlist of.
const int kSystemPlaylistTypes[] = {1, 2, 3, 4, 16, 18};

// The first column of the first row of a statement; an invalid value, and a line in problems,
// when it fails.
QVariant firstValue(const QSqlDatabase& db, const QString& statement, QStringList& problems) {
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next()) {
        problems
            << QStringLiteral("cannot run \"%1\": %2").arg(statement, query.lastError().text());
        return QVariant();
    }
    return query.value(0);
}

} // namespace

QStringList libraryIntegrityProblems(const QSqlDatabase& db, int recentMaximum) {
    QStringList problems;
    {
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("PRAGMA integrity_check"))) {
            return {
                QStringLiteral("integrity_check does not run: %1").arg(check.lastError().text())};
        }
        while (check.next()) {
            const QString line = check.value(0).toString();
            if (line != QLatin1String("ok"))
                problems << QStringLiteral("integrity_check: %1").arg(line);
        }
    }
    for (const ParentRule& rule : kParentRules) {
        const QString statement =
            QStringLiteral("SELECT count(*) FROM %1 WHERE %2 NOT IN (SELECT %4 FROM %3)")
                .arg(QLatin1String(rule.child), QLatin1String(rule.childColumn),
                     QLatin1String(rule.parent), QLatin1String(rule.parentColumn));
        const QVariant orphans = firstValue(db, statement, problems);
        if (orphans.isValid() && orphans.toLongLong() != 0) {
            problems << QStringLiteral("%1 %2 rows without their %3 row")
                            .arg(orphans.toLongLong())
                            .arg(QLatin1String(rule.child), QLatin1String(rule.parent));
        }
    }
    for (int type : kSystemPlaylistTypes) {
        const QVariant playlists = firstValue(
            db, QStringLiteral("SELECT count(*) FROM playlist WHERE playlist_type = %1").arg(type),
            problems);
        if (playlists.isValid() && playlists.toLongLong() != 1) {
            problems << QStringLiteral("%1 playlists of system type %2")
                            .arg(playlists.toLongLong())
                            .arg(type);
        }
    }
    // The trim keeps the newest entries up to the maximum; entries that share the stamp of the
    // last one kept stay with it, and a maximum of 0 keeps every entry.
    if (recentMaximum > 0) {
        const QVariant older = firstValue(
            db,
            QStringLiteral("SELECT count(*) FROM recent_file WHERE last_change < (SELECT "
                           "last_change FROM recent_file ORDER BY last_change DESC LIMIT 1 "
                           "OFFSET %1)")
                .arg(recentMaximum - 1),
            problems);
        if (older.isValid() && older.toLongLong() != 0) {
            problems << QStringLiteral("%1 recent files older than the newest %2 the list keeps")
                            .arg(older.toLongLong())
                            .arg(recentMaximum);
        }
    }
    return problems;
}

} // namespace orvtest
