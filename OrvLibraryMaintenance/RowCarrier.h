#pragma once

// Writing the rows read from a damaged library into the new one, table by table. Each row keeps
// its rowid and the values of the columns both libraries have. A row whose node, playlist or
// recent entry is missing from the new library is left out, except where that row can be put
// back from what the child tells of it; a recent entry whose node is missing keeps itself,
// without the node.

#include "LibraryRepair.h"
#include "Sqlite.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

namespace LibraryMaintenance {

class RowCarrier {
public:
    // sourceColumns: the columns of a row as read, after its rowid.
    RowCarrier(sqlite3* target, const QString& table, const QStringList& sourceColumns);

    bool ready() const { return insert->prepared(); }
    QString error() const { return insert->error(); }

    // Carries a row as read: the rowid in column 0, the source's columns after it.
    void carry(Statement& row);
    // Carries a row put together from column values (index entries), for the tables whose rows
    // can be: the node (its name is taken from its URI, as the player names nodes, and its date
    // is the day of the repair), the playlist item, the recent entry (without its positions).
    // Columns without a value must have a default or allow NULL. False when it cannot be.
    bool rebuild(qint64 rowid, const QHash<QString, QVariant>& values);

    TableOutcome outcome;
    // Parent rows put back for this table's rows, by the parent's table.
    QHash<QString, qint64> putBack;
    // A failure that is no fault of a row (a full disk, an I/O error): it ends the repair.
    QString fatal;

private:
    struct Column {
        QString name;
        int sourceIndex; // in a row as read
        bool optional;   // has a default or allows NULL
    };
    struct Link {
        int column; // among columns; -1 for the rowid
        QString parent;
        std::unique_ptr<Statement> exists;
        std::unique_ptr<Statement> putBack; // or null
        bool nullWhenMissing;
    };

    void addLink(const QString& column, const QString& parent, const QString& parentColumn,
                 bool nullWhenMissing);
    bool linksHold(const std::function<QVariant(int)>& key, QSet<int>* nulled);
    void finish(Statement& statement, bool rebuilt);

    sqlite3* target;
    QString table;
    QString rowidColumn;         // the column that is the rowid, if there is one
    std::vector<Column> columns; // the columns carried besides the rowid
    std::unique_ptr<Statement> insert;
    std::vector<Link> links;
};

} // namespace LibraryMaintenance
