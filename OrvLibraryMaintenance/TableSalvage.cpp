#include "TableSalvage.h"

#include <algorithm>
#include <limits>

namespace LibraryMaintenance {

namespace {

const qint64 kLowest = std::numeric_limits<qint64>::min();
const qint64 kHighest = std::numeric_limits<qint64>::max();
// The widest span between two damaged pages that is walked rowid by rowid; a failing seek costs
// a few microseconds.
const qint64 kWalkLimit = qint64(1) << 20;

const char kIndexesOf[] = "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1";

// The rowid after and before another; a damaged page may hold any value, the extremes too.
qint64 after(qint64 rowid) {
    return rowid == kHighest ? kHighest : rowid + 1;
}

qint64 before(qint64 rowid) {
    return rowid == kLowest ? kLowest : rowid - 1;
}

QString rangeQuery(const QString& table, const char* order) {
    return QStringLiteral("SELECT rowid, * FROM main.%1 WHERE rowid >= ?1 AND rowid <= ?2 "
                          "ORDER BY rowid %2")
        .arg(quoted(table), QLatin1String(order));
}

// The columns of an index, in order; empty when one of them is an expression.
QStringList indexColumns(sqlite3* db, const QString& index) {
    QStringList columns;
    Statement info(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoted(index)));
    while (info.prepared() && info.step() == SQLITE_ROW) {
        if (info.isNull(2))
            return {};
        columns << info.text(2);
    }
    return columns;
}

// Reads the entries of one index into entries; true when it was read whole.
bool readIndex(sqlite3* db, const QString& table, const QString& index,
               QHash<qint64, QHash<QString, QVariant>>& rows) {
    const QStringList columns = indexColumns(db, index);
    if (columns.isEmpty())
        return false;
    QStringList list;
    for (const QString& column : columns)
        list << quoted(column);
    // Selecting only the indexed columns and the rowid keeps the scan inside the index.
    const QString select = QStringLiteral("SELECT rowid, %1 FROM main.%2 INDEXED BY %3 ORDER BY ")
                               .arg(list.join(QLatin1String(", ")), quoted(table), quoted(index));
    // Forward up to the first damaged page, then backward from the end down to it.
    int rc = SQLITE_ERROR;
    for (const char* direction : {" ASC", " DESC"}) {
        Statement scan(db, select + list.join(QLatin1String(direction) + QStringLiteral(", ")) +
                               QLatin1String(direction));
        rc = scan.prepared() ? scan.step() : SQLITE_ERROR;
        for (; rc == SQLITE_ROW; rc = scan.step()) {
            QHash<QString, QVariant>& values = rows[scan.int64(0)];
            for (int i = 0; i < columns.size(); ++i)
                values.insert(columns.at(i), scan.value(i + 1));
        }
        if (rc == SQLITE_DONE)
            break;
    }
    const bool whole = rc == SQLITE_DONE;
    return whole;
}

} // namespace

TableSalvage::TableSalvage(sqlite3* db, const QString& table)
    : forward(db, rangeQuery(table, "ASC")), backward(db, rangeQuery(table, "DESC")) {
    for (int i = 1; forward.prepared() && i < sqlite3_column_count(forward.get()); ++i)
        names << QString::fromUtf8(sqlite3_column_name(forward.get(), i));
}

TableSalvage::Run TableSalvage::scan(Statement& statement, qint64 from, qint64 to,
                                     const Take& take) {
    Run run;
    statement.reset();
    statement.bind(1, from);
    statement.bind(2, to);
    int rc = statement.step();
    for (; rc == SQLITE_ROW; rc = statement.step()) {
        const qint64 rowid = statement.int64(0);
        if (!read.contains(rowid)) {
            read.insert(rowid);
            take(statement);
        }
        run.any = true;
        run.last = rowid;
    }
    run.complete = rc == SQLITE_DONE;
    statement.reset();
    return run;
}

bool TableSalvage::readFromBothEnds(const Take& take) {
    first = scan(forward, kLowest, kHighest, take);
    if (first.complete)
        return true;
    fromEnd = scan(backward, first.any ? after(first.last) : kLowest, kHighest, take);
    return fromEnd.complete;
}

void TableSalvage::readBetween(const QSet<qint64>& hints, qint64 upperBound, const Take& take) {
    // The span between the scans: from the row after the last one the first scan read up to the
    // row before the last one the second read. Without a row on one side, the library's ids
    // (from 1) and the highest id known bound it.
    qint64 highestHint = 0;
    qint64 lowestHint = 1;
    for (qint64 hint : hints) {
        highestHint = std::max(highestHint, hint);
        lowestHint = std::min(lowestHint, hint);
    }
    const qint64 from = first.any ? after(first.last) : lowestHint;
    const bool boundedAbove = fromEnd.any || upperBound > 0;
    const qint64 to = fromEnd.any ? before(fromEnd.last) : std::max(upperBound, highestHint);
    if (to < from) {
        unread = boundedAbove ? 0 : -1;
        return;
    }

    QList<qint64> starts;
    const bool walk = boundedAbove && quint64(to) - quint64(from) < quint64(kWalkLimit);
    if (!walk) {
        for (qint64 hint : hints) {
            if (hint >= from && hint <= to)
                starts << hint;
        }
        std::sort(starts.begin(), starts.end());
    }
    qint64 covered = before(from);
    const qsizetype steps = walk ? qsizetype(to - from + 1) : starts.size();
    for (qsizetype i = 0; i < steps; ++i) {
        const qint64 start = walk ? from + i : starts.at(i);
        if (start <= covered)
            continue;
        const Run run = scan(forward, start, to, take);
        if (run.complete)
            break;
        covered = run.any ? std::max(start, run.last) : start;
    }
    if (!walk) {
        unread = -1;
        return;
    }
    qint64 rowsInSpan = 0;
    for (qint64 rowid : read)
        rowsInSpan += rowid >= from && rowid <= to ? 1 : 0;
    unread = (to - from + 1) - rowsInSpan;
}

IndexEntries readIndexEntries(sqlite3* db, const QString& table) {
    IndexEntries entries;
    QStringList indexes;
    {
        Statement list(db, QLatin1String(kIndexesOf));
        list.bind(1, QVariant(table));
        while (list.prepared() && list.step() == SQLITE_ROW)
            indexes << list.text(0);
    }
    for (const QString& index : indexes)
        entries.complete = readIndex(db, table, index, entries.rows) || entries.complete;
    return entries;
}

} // namespace LibraryMaintenance
