#include "LibraryRepair.h"

#include "LibraryCheck.h"
#include "LibraryFiles.h"
#include "LibraryHeader.h"
#include "LibraryRules.h"
#include "PluginStartup.h"
#include "RowCarrier.h"
#include "Sqlite.h"
#include "TableSalvage.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>

namespace LibraryMaintenance {

namespace {

const char kDamagedTag[] = "damaged";
// Page sizes to try on a copy whose header is lost, the size SQLite gives new files first.
const int kPageSizes[] = {4096, 1024, 2048, 8192, 16384, 32768, 65536, 512};
// Tables whose rowid is a node's id.
const char* const kNodeKeyedTables[] = {"media_file", "video_file", "acquired_file", "queued_file"};

// Playlists with a place in their order that more than one item holds, and a new numbering of
// one playlist's items from 0 in the order they are in.
const char kSharedPlaces[] = "SELECT DISTINCT playlist_id FROM playlist_item "
                             "GROUP BY playlist_id, play_order HAVING count(*) > 1";
const char kRenumber[] =
    "UPDATE playlist_item SET play_order = renumbered.place FROM (SELECT playlist_item_id AS id, "
    "row_number() OVER (ORDER BY play_order, playlist_item_id) - 1 AS place FROM playlist_item "
    "WHERE playlist_id = ?1) AS renumbered WHERE playlist_item.playlist_item_id = renumbered.id";
const char kSequences[] = "SELECT name, seq FROM sqlite_sequence";
const char kRaiseSequence[] = "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1";
const char kAddSequence[] = "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)";

bool nodeKeyed(const QString& table) {
    for (const char* keyed : kNodeKeyedTables) {
        if (table == QLatin1String(keyed))
            return true;
    }
    return false;
}

bool schemaReadable(sqlite3* db) {
    Statement schema(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    return schema.prepared() && schema.step() == SQLITE_ROW;
}

// The rows of the library's tables that a plain scan reads before its first damaged page.
qint64 readableRows(sqlite3* db) {
    qint64 rows = 0;
    for (const char* table : kLibraryTables) {
        Statement scan(
            db, QStringLiteral("SELECT rowid FROM main.%1").arg(quoted(QLatin1String(table))));
        while (scan.prepared() && scan.step() == SQLITE_ROW)
            ++rows;
    }
    return rows;
}

// Opens the copy of the damaged library for reading. A journal beside it is rolled back into the
// copy; one that cannot be is set aside. A copy whose header is lost gets a plain one, with the
// page size that lets the most rows be read.
bool openCopy(Connection& source, const QString& copy) {
    const int flags = SQLITE_OPEN_READWRITE;
    QString error;
    if (openForReading(source, copy, flags, &error) && schemaReadable(source.get()))
        return true;
    source.close();
    const QString journal = copy + QLatin1String(kSideFileSuffixes[0]);
    if (QFileInfo::exists(journal) && QFile::rename(journal, journal + QStringLiteral(".unused"))) {
        if (openForReading(source, copy, flags, &error) && schemaReadable(source.get()))
            return true;
        source.close();
    }
    const FileHeader header = readFileHeader(copy);
    if (header.sqlite && header.pageSize != 0)
        return false; // the header is sound; what is lost is the schema behind it
    int best = 0;
    qint64 bestRows = -1;
    for (int pageSize : kPageSizes) {
        if (!writePlainHeader(copy, pageSize) || !openForReading(source, copy, flags, &error))
            continue;
        if (schemaReadable(source.get())) {
            const qint64 rows = readableRows(source.get());
            if (rows > bestRows) {
                best = pageSize;
                bestRows = rows;
            }
        }
        source.close();
    }
    return best != 0 && writePlainHeader(copy, best) &&
           openForReading(source, copy, flags, &error) && schemaReadable(source.get());
}

QHash<QString, qint64> sequences(sqlite3* db) {
    QHash<QString, qint64> values;
    Statement read(db, QLatin1String(kSequences));
    while (read.prepared() && read.step() == SQLITE_ROW)
        values.insert(read.text(0), read.int64(1));
    return values;
}

// Carries every readable row of the library's tables from source to target, in the order of
// kLibraryTables, so that the rows a row belongs to are there before it.
class LibraryCarrier {
public:
    LibraryCarrier(sqlite3* source, sqlite3* target) : source(source), target(target) {
        if (source)
            sequence = sequences(source);
    }

    // False after a failure that ends the repair.
    bool carry(const QString& table, TableOutcome* outcome, QString* error) {
        if (!source) {
            outcome->table = table;
            outcome->readable = false;
            return true;
        }
        TableSalvage salvage(source, table);
        RowCarrier carrier(target, table, salvage.columns());
        if (!salvage.exists() || !carrier.ready()) {
            if (!salvage.exists()) {
                *outcome = carrier.outcome;
                outcome->readable = false;
                return true;
            }
            *error = QStringLiteral("rows of %1 cannot be written: %2").arg(table, carrier.error());
            return false;
        }
        const TableSalvage::Take take = [&](Statement& row) { carrier.carry(row); };
        IndexEntries entries;
        if (!salvage.readFromBothEnds(take)) {
            entries = readIndexEntries(source, table);
            QSet<qint64> hints(entries.rows.keyBegin(), entries.rows.keyEnd());
            if (nodeKeyed(table))
                hints.unite(knownNodes);
            const qint64 upper = sequence.value(nodeKeyed(table) ? QStringLiteral("node") : table);
            salvage.readBetween(hints, upper, take);
            account(salvage, entries, hints, carrier);
        }
        if (table == QLatin1String("node")) {
            knownNodes = salvage.rowids();
            for (auto it = entries.rows.keyBegin(); it != entries.rows.keyEnd(); ++it)
                knownNodes.insert(*it);
        }
        *outcome = carrier.outcome;
        for (auto it = carrier.putBack.cbegin(); it != carrier.putBack.cend(); ++it)
            putBack[it.key()] += it.value();
        if (!carrier.fatal.isEmpty()) {
            *error = QStringLiteral("rows of %1 cannot be written: %2").arg(table, carrier.fatal);
            return false;
        }
        return true;
    }

    // Counts the parent rows put back for later tables' rows with the parent's table: they are
    // rows of it that were lost.
    void countPutBack(TableOutcome* outcome) const {
        const qint64 rows = putBack.value(outcome->table);
        outcome->recovered += rows;
        outcome->rebuilt += rows;
        outcome->lost = std::max<qint64>(0, outcome->lost - rows);
        if (outcome->lost == 0)
            outcome->lostBound = TableOutcome::Exact;
    }

    // The damaged library's AUTOINCREMENT counters, where they are ahead: ids are never given
    // twice, also not those of rows that are lost.
    bool raiseSequences(QString* error) {
        Statement raise(target, QLatin1String(kRaiseSequence));
        Statement add(target, QLatin1String(kAddSequence));
        for (const char* table : kLibraryTables) {
            if (!sequence.contains(QLatin1String(table)))
                continue;
            for (Statement* statement : {&raise, &add}) {
                statement->reset();
                statement->bind(1, QVariant(QString::fromLatin1(table)));
                statement->bind(2, sequence.value(QLatin1String(table)));
                if (statement->step() != SQLITE_DONE) {
                    *error = statement->error();
                    return false;
                }
                if (sqlite3_changes(target) > 0)
                    break;
            }
        }
        return true;
    }

private:
    // Rows the index entries hold whole come back from them; then the rows lost are counted:
    // exactly when an index was read whole, else bounded by the rowids walked in vain, else
    // (nothing bounds them) at least the rowids the indexes or nodes name.
    static void account(const TableSalvage& salvage, const IndexEntries& entries,
                        const QSet<qint64>& hints, RowCarrier& carrier) {
        QSet<qint64> back = salvage.rowids();
        for (auto it = entries.rows.cbegin(); it != entries.rows.cend(); ++it) {
            if (!back.contains(it.key()) && carrier.rebuild(it.key(), it.value()))
                back.insert(it.key());
        }
        TableOutcome& outcome = carrier.outcome;
        if (entries.complete) {
            outcome.lost = 0;
            for (auto it = entries.rows.keyBegin(); it != entries.rows.keyEnd(); ++it)
                outcome.lost += back.contains(*it) ? 0 : 1;
        } else if (salvage.unreadInWalk() >= 0) {
            outcome.lost = std::max<qint64>(0, salvage.unreadInWalk() - outcome.rebuilt);
            outcome.lostBound = outcome.lost > 0 ? TableOutcome::AtMost : TableOutcome::Exact;
        } else {
            outcome.lost = 0;
            for (qint64 hint : hints)
                outcome.lost += back.contains(hint) ? 0 : 1;
            outcome.lostBound = TableOutcome::AtLeast;
        }
    }

    sqlite3* source;
    sqlite3* target;
    QHash<QString, qint64> sequence;
    QSet<qint64> knownNodes;
    QHash<QString, qint64> putBack;
};

qint64 rowCount(const QString& path, const char* table) {
    Connection db;
    QString error;
    if (!db.open(path, SQLITE_OPEN_READONLY, &error))
        return 0;
    Statement count(db.get(), QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)));
    return count.prepared() && count.step() == SQLITE_ROW ? count.int64(0) : 0;
}

// Two items in one place of a playlist's order come from a damaged value: the items of such a
// playlist are numbered anew from 0 in the order they are in, as the player numbers them; the
// items of every other playlist keep their places.
bool renumberSharedPlaces(sqlite3* target, QList<qint64>* renumbered, QString* error) {
    {
        Statement shared(target, QLatin1String(kSharedPlaces));
        while (shared.prepared() && shared.step() == SQLITE_ROW)
            renumbered->append(shared.int64(0));
    }
    Statement renumber(target, QLatin1String(kRenumber));
    for (qint64 playlist : *renumbered) {
        renumber.reset();
        renumber.bind(1, playlist);
        if (renumber.step() != SQLITE_DONE) {
            *error = renumber.error();
            return false;
        }
    }
    return true;
}

// Fills the new library at fresh with what can be read of the copy, in one transaction.
bool carryRows(const QString& copy, const QString& fresh, RepairReport* report, QString* error) {
    Connection source;
    const bool readable = openCopy(source, copy);
    Connection target;
    if (!target.open(fresh, SQLITE_OPEN_READWRITE, error))
        return false;
    // The rows are copied as they are: the schema's triggers, there to react to the player's
    // changes (stamping recent entries, refusing rows without their node), do not run for them.
    sqlite3_db_config(target.get(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    // The built-in playlists the start-up made give way to the damaged library's own, which keep
    // their ids; the next start-up adds any that are lost.
    if (!target.exec("BEGIN IMMEDIATE", error) || !target.exec("DELETE FROM playlist", error))
        return false;
    LibraryCarrier carrier(readable ? source.get() : nullptr, target.get());
    for (const char* table : kLibraryTables) {
        if (qstrcmp(table, "schema_data") == 0)
            continue; // the new library's version stands
        TableOutcome outcome;
        if (!carrier.carry(QLatin1String(table), &outcome, error))
            return false;
        report->tables.append(outcome);
    }
    for (TableOutcome& outcome : report->tables)
        carrier.countPutBack(&outcome);
    return renumberSharedPlaces(target.get(), &report->renumbered, error) &&
           carrier.raiseSequences(error) && target.exec("COMMIT", error);
}

} // namespace

RepairResult repairLibrary(const QString& path, const RepairOptions& options, RepairReport* report,
                           QString* error) {
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("there is no library at %1").arg(path);
        return RepairResult::Failed;
    }
    // Another program's open descriptors of the file, not SQLite's locks, tell whether it uses
    // the library: SQLite locks the file only for the length of a transaction, so a player that
    // has the library open and waits holds no lock at all. They are looked for again right
    // before the new library takes the damaged one's place.
    QStringList holders = processesHolding(path);
    if (!holders.isEmpty()) {
        *error = QStringLiteral("the library is open in another program (%1): close it first")
                     .arg(holders.join(QLatin1String(", ")));
        return RepairResult::Failed;
    }
    report->found = checkLibrary(path, options.recentMaximum).problems;
    if (report->found.isEmpty())
        return RepairResult::Sound;

    // Everything is built in a folder beside the library, on the same file system, so that the
    // new library takes the old one's place by a rename. The plugin's start-up runs with that
    // folder as its data folder: it makes a new library there and finds no older release's
    // files to import, since what the damaged library held comes over row by row instead.
    QTemporaryDir scratch(QFileInfo(path).absolutePath() + QStringLiteral("/.repair-XXXXXX"));
    if (!scratch.isValid()) {
        *error = QStringLiteral("cannot make a working folder beside %1").arg(path);
        return RepairResult::Failed;
    }
    const QString copy = scratch.path() + QStringLiteral("/damaged");
    const QString home = scratch.path() + QStringLiteral("/home");
    QString fresh;
    const auto failed = [&]() {
        *error += QStringLiteral("; the library is left as it was");
        return RepairResult::Failed;
    };
    if (!copyWithSideFiles(path, copy, true, error) ||
        !startPluginIn(home, options.pluginPath, &fresh, error) ||
        !carryRows(copy, fresh, report, error))
        return failed();
    // The player's start-up on the filled library: it must open it, and it puts back any
    // built-in playlist that was lost. The recent list is trimmed to its maximum as the player
    // trims it after a play.
    const qint64 recent = rowCount(fresh, "recent_file");
    const LibraryWork trim = [](VireoStudio::MediaManagerInterface* library) {
        return library->trimRecentFiles();
    };
    if (!startPluginIn(home, options.pluginPath, &fresh, error, trim)) {
        *error = QStringLiteral("the repaired library does not open: %1").arg(*error);
        return failed();
    }
    report->trimmed = recent - rowCount(fresh, "recent_file");
    report->remaining = checkLibrary(fresh, options.recentMaximum).problems;

    holders = processesHolding(path);
    if (!holders.isEmpty()) {
        *error = QStringLiteral("the library was opened by another program (%1) during the "
                                "repair: close it and repair again")
                     .arg(holders.join(QLatin1String(", ")));
        return failed();
    }
    const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();
    report->keptAs = asideName(path, QLatin1String(kDamagedTag), now);
    if (!replaceKeepingAside(path, fresh, report->keptAs, error))
        return failed();
    return RepairResult::Repaired;
}

} // namespace LibraryMaintenance
