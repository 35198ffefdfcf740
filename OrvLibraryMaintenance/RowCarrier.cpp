#include "RowCarrier.h"

#include "LibraryRules.h"

#include <QUrl>

#include <algorithm>
#include <iterator>

namespace LibraryMaintenance {

namespace {

// Parent rows put back for a child whose parent row is lost while the node both belong to is
// there: the child tells what the parent was (a video file's media row has type 1), the other
// columns take their defaults.
struct PutBack {
    const char* child;
    const char* parent;
    const char* insert;
};

const PutBack kPutBacks[] = {
    {"video_file", "media_file",
     "INSERT INTO main.media_file (node_id, media_file_type) SELECT ?1, 1 "
     "WHERE EXISTS (SELECT 1 FROM main.node WHERE node_id = ?1)"},
    {"queued_file", "acquired_file",
     "INSERT INTO main.acquired_file (node_id) SELECT ?1 "
     "WHERE EXISTS (SELECT 1 FROM main.node WHERE node_id = ?1)"},
};

// The tables whose rows may be put together from index entries: each of their columns either
// is in an index, follows from one that is, or is optional.
const char* const kRebuildable[] = {"node", "playlist_item", "recent_file"};

// The name the player gives a node: the last segment of its URI's path.
QString nodeNameOf(const QString& uri) {
    return QUrl(uri).path().section(QLatin1Char('/'), -1);
}

} // namespace

RowCarrier::RowCarrier(sqlite3* target, const QString& table, const QStringList& sourceColumns)
    : target(target), table(table) {
    outcome.table = table;
    Statement info(target, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)));
    QString key;
    int keyParts = 0;
    std::vector<Column> all;
    while (info.prepared() && info.step() == SQLITE_ROW) {
        const QString name = info.text(1);
        all.push_back(Column{name, int(sourceColumns.indexOf(name)) + 1,
                             info.int64(3) == 0 || !info.isNull(4)});
        if (info.int64(5) > 0) {
            ++keyParts;
            if (info.text(2).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                key = name;
        }
    }
    // An INTEGER PRIMARY KEY is the rowid itself, which is carried as such.
    rowidColumn = keyParts == 1 ? key : QString();
    QStringList names{QStringLiteral("rowid")};
    QStringList placeholders{QStringLiteral("?1")};
    for (const Column& column : all) {
        if (column.name == rowidColumn || column.sourceIndex == 0)
            continue;
        columns.push_back(column);
        names << quoted(column.name);
        placeholders << QStringLiteral("?%1").arg(columns.size() + 1);
    }
    insert =
        std::make_unique<Statement>(target, QStringLiteral("INSERT INTO main.%1 (%2) VALUES (%3)")
                                                .arg(quoted(table), names.join(QLatin1String(", ")),
                                                     placeholders.join(QLatin1String(", "))));
    for (const ParentLink& link : kParentLinks) {
        if (table == QLatin1String(link.child))
            addLink(QLatin1String(link.column), QLatin1String(link.parent),
                    QLatin1String(link.parentColumn), false);
    }
    if (table == QLatin1String("recent_file"))
        addLink(QStringLiteral("node_id"), QStringLiteral("node"), QStringLiteral("node_id"), true);
}

void RowCarrier::addLink(const QString& column, const QString& parent, const QString& parentColumn,
                         bool nullWhenMissing) {
    int at = -1;
    if (column != rowidColumn) {
        const auto found = std::find_if(columns.begin(), columns.end(),
                                        [&](const Column& c) { return c.name == column; });
        if (found == columns.end())
            return;
        at = int(found - columns.begin());
    }
    Link link{at, parent,
              std::make_unique<Statement>(target, QStringLiteral("SELECT 1 FROM main.%1 WHERE "
                                                                 "%2 = ?1")
                                                      .arg(quoted(parent), quoted(parentColumn))),
              nullptr, nullWhenMissing};
    for (const PutBack& putBack : kPutBacks) {
        if (table == QLatin1String(putBack.child) && parent == QLatin1String(putBack.parent))
            link.putBack = std::make_unique<Statement>(target, QLatin1String(putBack.insert));
    }
    links.push_back(std::move(link));
}

bool RowCarrier::linksHold(const std::function<QVariant(int)>& key, QSet<int>* nulled) {
    for (Link& link : links) {
        const QVariant value = key(link.column);
        bool found = false;
        if (value.isValid()) {
            link.exists->reset();
            link.exists->bind(1, value);
            found = link.exists->step() == SQLITE_ROW;
            link.exists->reset();
        }
        if (!found && value.isValid() && link.putBack) {
            link.putBack->reset();
            link.putBack->bind(1, value);
            found = link.putBack->step() == SQLITE_DONE && sqlite3_changes(target) == 1;
            link.putBack->reset();
            putBack[link.parent] += found ? 1 : 0;
        }
        if (found || (link.nullWhenMissing && !value.isValid()))
            continue;
        if (!link.nullWhenMissing)
            return false;
        nulled->insert(link.column);
    }
    return true;
}

void RowCarrier::carry(Statement& row) {
    QSet<int> nulled;
    const auto key = [&](int column) {
        return row.value(column < 0 ? 0 : columns.at(size_t(column)).sourceIndex);
    };
    if (!linksHold(key, &nulled)) {
        ++outcome.dropped;
        return;
    }
    insert->reset();
    sqlite3_bind_value(insert->get(), 1, sqlite3_column_value(row.get(), 0));
    for (size_t i = 0; i < columns.size(); ++i) {
        if (nulled.contains(int(i)))
            sqlite3_bind_null(insert->get(), int(i) + 2);
        else
            sqlite3_bind_value(insert->get(), int(i) + 2,
                               sqlite3_column_value(row.get(), columns[i].sourceIndex));
    }
    finish(*insert, false);
}

bool RowCarrier::rebuild(qint64 rowid, const QHash<QString, QVariant>& entries) {
    if (std::none_of(std::begin(kRebuildable), std::end(kRebuildable),
                     [&](const char* name) { return table == QLatin1String(name); }))
        return false;
    QHash<QString, QVariant> values = entries;
    if (table == QLatin1String("node") && values.contains(QStringLiteral("uri")))
        values.insert(QStringLiteral("name"),
                      nodeNameOf(values.value(QStringLiteral("uri")).toString()));
    QStringList names{QStringLiteral("rowid")};
    QStringList placeholders{QStringLiteral("?1")};
    for (const Column& column : columns) {
        if (values.contains(column.name)) {
            names << quoted(column.name);
            placeholders << QStringLiteral("?%1").arg(names.size());
        } else if (!column.optional) {
            return false;
        }
    }
    QSet<int> nulled;
    const auto key = [&](int column) {
        return column < 0 ? QVariant(rowid) : values.value(columns.at(size_t(column)).name);
    };
    if (!linksHold(key, &nulled)) {
        ++outcome.dropped;
        return true;
    }
    Statement rebuilt(target, QStringLiteral("INSERT INTO main.%1 (%2) VALUES (%3)")
                                  .arg(quoted(table), names.join(QLatin1String(", ")),
                                       placeholders.join(QLatin1String(", "))));
    rebuilt.bind(1, rowid);
    int placeholder = 2;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (values.contains(columns[i].name))
            rebuilt.bind(placeholder++,
                         nulled.contains(int(i)) ? QVariant() : values.value(columns[i].name));
    }
    finish(rebuilt, true);
    return true;
}

void RowCarrier::finish(Statement& statement, bool rebuilt) {
    const int rc = statement.prepared() ? statement.step() : SQLITE_ERROR;
    statement.reset();
    if (rc == SQLITE_DONE) {
        ++outcome.recovered;
        outcome.rebuilt += rebuilt ? 1 : 0;
        return;
    }
    const int primary = rc & 0xff;
    if (primary == SQLITE_CONSTRAINT || primary == SQLITE_MISMATCH || primary == SQLITE_TOOBIG)
        ++outcome.dropped;
    else if (fatal.isEmpty())
        fatal = statement.error();
}

} // namespace LibraryMaintenance
