#include "LibraryRules.h"

#include "Sqlite.h"

#include <QSet>

namespace LibraryMaintenance {

namespace {

const char kTableNames[] = "SELECT name FROM sqlite_master WHERE type = 'table'";
const char kPlaylistsOfType[] = "SELECT count(*) FROM playlist WHERE playlist_type = ?1";
// Playlists with places in their order that more than one item holds, and how many such places.
const char kSharedPlaces[] = "SELECT playlist_id, count(*) FROM (SELECT playlist_id FROM "
                             "playlist_item GROUP BY playlist_id, play_order HAVING count(*) > 1) "
                             "GROUP BY playlist_id ORDER BY playlist_id";
// The trim keeps the newest entries up to the maximum; entries that share the stamp of the last
// one kept stay with it.
const char kRecentBeyondMaximum[] =
    "SELECT count(*) FROM recent_file WHERE last_change < (SELECT last_change FROM recent_file "
    "ORDER BY last_change DESC LIMIT 1 OFFSET ?1)";
const char kVersionRows[] = "SELECT count(*), max(version) FROM schema_data";

// Runs the rules one query at a time; the first query that fails ends the check with one
// problem that says why, since a library that cannot answer one rule rarely answers the next.
class RuleCheck {
public:
    RuleCheck(sqlite3* db, Problems& problems) : db(db), problems(problems) {}

    bool failed() const { return broken; }

    // The first row of sql (bound to bindings in order) into values; false once a query failed.
    bool row(const QString& sql, const QList<qint64>& bindings, QList<QVariant>* values) {
        if (broken)
            return false;
        Statement query(db, sql);
        for (int i = 0; query.prepared() && i < bindings.size(); ++i)
            query.bind(i + 1, bindings.at(i));
        const int rc = query.prepared() ? query.step() : SQLITE_ERROR;
        if (rc != SQLITE_ROW) {
            fail(query.error());
            return false;
        }
        for (int i = 0; i < sqlite3_column_count(query.get()); ++i)
            values->append(query.value(i));
        return true;
    }

    qint64 count(const QString& sql, const QList<qint64>& bindings = {}) {
        QList<QVariant> values;
        return row(sql, bindings, &values) ? values.value(0).toLongLong() : 0;
    }

    // Every row of sql, each as its values.
    QList<QList<QVariant>> rows(const QString& sql) {
        QList<QList<QVariant>> result;
        if (broken)
            return result;
        Statement query(db, sql);
        int rc = query.prepared() ? query.step() : SQLITE_ERROR;
        for (; rc == SQLITE_ROW; rc = query.step()) {
            QList<QVariant> values;
            for (int i = 0; i < sqlite3_column_count(query.get()); ++i)
                values.append(query.value(i));
            result.append(values);
        }
        if (rc != SQLITE_DONE)
            fail(query.error());
        return result;
    }

private:
    void fail(const QString& error) {
        broken = true;
        problems.append({QStringLiteral("unreadable"), QString(),
                         QStringLiteral("the library's own rules cannot be checked: %1")
                             .arg(error.isEmpty() ? QStringLiteral("unknown error") : error)});
    }

    sqlite3* db;
    Problems& problems;
    bool broken = false;
};

bool missingTables(RuleCheck& check, Problems& problems) {
    QSet<QString> present;
    for (const QList<QVariant>& row : check.rows(QLatin1String(kTableNames)))
        present.insert(row.value(0).toString());
    if (check.failed())
        return true;
    bool missing = false;
    for (const char* table : kLibraryTables) {
        if (present.contains(QLatin1String(table)))
            continue;
        missing = true;
        problems.append({QStringLiteral("missing-table"), QLatin1String(table),
                         QStringLiteral("the table %1 is missing").arg(QLatin1String(table))});
    }
    return missing;
}

void orphans(RuleCheck& check, Problems& problems) {
    for (const ParentLink& link : kParentLinks) {
        const QString sql = QStringLiteral("SELECT count(*) FROM %1 WHERE %2 NOT IN (SELECT %4 "
                                           "FROM %3)")
                                .arg(QLatin1String(link.child), QLatin1String(link.column),
                                     QLatin1String(link.parent), QLatin1String(link.parentColumn));
        const qint64 lacking = check.count(sql);
        if (lacking == 0)
            continue;
        problems.append({QStringLiteral("orphans"), QLatin1String(link.child),
                         QStringLiteral("%1 %2 rows without their %3 row (by %4)")
                             .arg(lacking)
                             .arg(QLatin1String(link.child), QLatin1String(link.parent),
                                  QLatin1String(link.column))});
    }
}

void builtInPlaylists(RuleCheck& check, Problems& problems) {
    for (int type : kBuiltInPlaylistTypes) {
        const qint64 playlists = check.count(QLatin1String(kPlaylistsOfType), {type});
        if (check.failed() || playlists == 1)
            continue;
        problems.append({QStringLiteral("built-in-playlists"), QStringLiteral("playlist"),
                         QStringLiteral("%1 built-in playlists of type %2, where there must be "
                                        "exactly one")
                             .arg(playlists)
                             .arg(type)});
    }
}

void sharedPlaces(RuleCheck& check, Problems& problems) {
    for (const QList<QVariant>& row : check.rows(QLatin1String(kSharedPlaces))) {
        problems.append({QStringLiteral("play-order"), QStringLiteral("playlist_item"),
                         QStringLiteral("playlist %1: %2 places in its order are held by more "
                                        "than one item")
                             .arg(row.value(0).toLongLong())
                             .arg(row.value(1).toLongLong())});
    }
}

void recentBeyondMaximum(RuleCheck& check, Problems& problems, int maximum) {
    if (maximum <= 0)
        return;
    const qint64 older = check.count(QLatin1String(kRecentBeyondMaximum), {maximum - 1});
    if (older == 0)
        return;
    problems.append({QStringLiteral("recent-maximum"), QStringLiteral("recent_file"),
                     QStringLiteral("%1 recent files older than the newest %2 the list keeps")
                         .arg(older)
                         .arg(maximum)});
}

void schemaVersion(RuleCheck& check, Problems& problems) {
    QList<QVariant> values;
    if (!check.row(QLatin1String(kVersionRows), {}, &values))
        return;
    const qint64 rows = values.value(0).toLongLong();
    const QVariant version = values.value(1);
    if (rows == 0) {
        problems.append({QStringLiteral("schema-version"), QStringLiteral("schema_data"),
                         QStringLiteral("no schema version is stored")});
    } else if (rows > 1) {
        problems.append(
            {QStringLiteral("schema-version"), QStringLiteral("schema_data"),
             QStringLiteral("%1 schema versions are stored, where there must be one").arg(rows)});
    } else if (version.typeId() != QMetaType::LongLong ||
               (version.toLongLong() != kSchemaVersion &&
                version.toLongLong() != kEarlierSchemaVersion)) {
        problems.append({QStringLiteral("schema-version"), QStringLiteral("schema_data"),
                         QStringLiteral("the schema version %1 is not one the player knows "
                                        "(%2 or %3)")
                             .arg(version.toString())
                             .arg(kSchemaVersion)
                             .arg(kEarlierSchemaVersion)});
    }
}

} // namespace

Problems ruleProblems(sqlite3* db, int recentMaximum) {
    Problems problems;
    RuleCheck check(db, problems);
    if (missingTables(check, problems))
        return problems;
    schemaVersion(check, problems);
    orphans(check, problems);
    builtInPlaylists(check, problems);
    sharedPlaces(check, problems);
    recentBeyondMaximum(check, problems, recentMaximum);
    return problems;
}

} // namespace LibraryMaintenance
