#pragma once

// Reading what can still be read of one table of a damaged library, by rowid ranges. Each range
// starts with a fresh seek from the table's root, so that a damaged page costs the rows on it and
// no more; the table's indexes, read on their own, name rowids to seek and may hold whole rows.

#include "Sqlite.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>

namespace LibraryMaintenance {

class TableSalvage {
public:
    // Gets each row read once: the statement has the rowid in column 0 and the table's columns
    // after it, in the order of columns().
    typedef std::function<void(Statement&)> Take;

    TableSalvage(sqlite3* db, const QString& table);

    // False when the table cannot be read at all (it is missing, or its schema is damaged).
    bool exists() const { return forward.prepared() && backward.prepared(); }
    QStringList columns() const { return names; }

    // A scan from the first row up to the first damaged page, then one from the last row down
    // to it. True when the table was read whole.
    bool readFromBothEnds(const Take& take);

    // After a damaged page: a seek at every rowid between the two scans, each reading on until
    // the next damaged page. A span too wide to walk, or one without a known end (no row read
    // after the damage, and no upperBound above 0), gets a seek at the rowids of hints only.
    void readBetween(const QSet<qint64>& hints, qint64 upperBound, const Take& take);

    const QSet<qint64>& rowids() const { return read; }
    // After readBetween: the rowids walked that gave no row, which bounds the rows lost; -1
    // when a span could not be walked and the rows lost are not bounded.
    qint64 unreadInWalk() const { return unread; }

private:
    struct Run {
        bool complete = false; // reached the end of the range
        bool any = false;      // read at least one row
        qint64 last = 0;       // the rowid read last
    };
    Run scan(Statement& statement, qint64 from, qint64 to, const Take& take);

    Statement forward;
    Statement backward;
    QStringList names;
    QSet<qint64> read;
    Run first;
    Run fromEnd;
    qint64 unread = 0;
};

// What the indexes of a table hold: the indexed columns' values by rowid.
struct IndexEntries {
    QHash<qint64, QHash<QString, QVariant>> rows;
    // One index was read whole, so its rowids are every row of the table.
    bool complete = false;
};

// Reads each index of the table by a scan that touches only the index: forward up to the first
// damaged page, then backward from its end.
IndexEntries readIndexEntries(sqlite3* db, const QString& table);

} // namespace LibraryMaintenance
