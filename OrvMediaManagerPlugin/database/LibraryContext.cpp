#include "LibraryContext.h"

#include "rows/QueuedFileTransientData.h"
#include "settings/PluginSettings.h"

#include <sqlite3.h>

namespace VireoStudio {

const char* const LibraryContext::kConnectionName = "OrvMediaManagerPluginDatabaseConnection";
const char* const LibraryContext::kConnectOptions = "QSQLITE_BUSY_TIMEOUT=120000";

namespace {
const char kReadDataVersion[] = "PRAGMA data_version";
const int kPlaylistCountCacheCost = 100;
const int kPlaylistCacheCost = 10;
const int kMediaFileCacheCost = 200;
const int kAcquiredFileCacheCost = 200;
} // namespace

LibraryContext::LibraryContext()
    : database(
          QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnectionName))),
      playlistCountCache(kPlaylistCountCacheCost), playlistCache(kPlaylistCacheCost),
      mediaFileCache(kMediaFileCacheCost), acquiredFileCache(kAcquiredFileCacheCost),
      recentFileCache(
          readIntSetting(kPlaybackGroup, kRecentFileMaximumKey, kRecentFileMaximumDefault)) {}

LibraryContext::~LibraryContext() {
    // Kept statements go before the connection can close.
    statements.clear();
    // Caches first, then the live maps: releasing a cached row may still reach the maps.
    preloadedMediaFiles.clear();
    playlistCache.clear();
    mediaFileCache.clear();
    acquiredFileCache.clear();
    recentFileCache.clear();
    livePlaylists.clear();
    liveMediaFiles.clear();
    liveAcquiredFiles.clear();
    liveRecentFiles.clear();
    transientDataMap.clear();
    // A connection that never opened is still registered; unregister it so that the next
    // library of this process starts from a clean name.
    const bool registered = database.isValid();
    database = QSqlDatabase();
    if (registered && QSqlDatabase::contains(QLatin1String(kConnectionName)))
        QSqlDatabase::removeDatabase(QLatin1String(kConnectionName));
}

bool LibraryContext::isOpen() const {
    return database.isOpen();
}

bool LibraryContext::close() {
    // A connection does not close while statements prepared on it are kept.
    statements.clear();
    // What was read ahead belongs to this connection's file.
    QHash<quint64, Ptr<MediaFileInterface>> preloaded;
    preloaded.swap(preloadedMediaFiles);
    preloadStamp = ContentStamp();
    if (isOpen()) {
        database.close();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(QLatin1String(kConnectionName));
    }
    transactionDepth = 0;
    storedRows.clear();
    systemPlaylistIds.clear();
    return true;
}

QSqlQuery LibraryContext::newQuery() const {
    QSqlQuery query(database);
    // No statement of the library moves backwards through its rows: none keeps them all.
    query.setForwardOnly(true);
    return query;
}

Statement LibraryContext::statement(const char* text) {
    if (!attachedConnection())
        return Statement();
    return statements.statement(text);
}

Statement LibraryContext::statement(const QString& text) {
    if (!attachedConnection())
        return Statement();
    return statements.statement(text);
}

ContentStamp LibraryContext::contentStamp() {
    ContentStamp stamp;
    sqlite3* db = attachedConnection();
    if (!db)
        return stamp;
    // Without a read lock held, another connection may have committed since this one last
    // read; the pager notices (and moves the data version) when a statement starts to read.
    if (sqlite3_txn_state(db, nullptr) == SQLITE_TXN_NONE) {
        Statement read = statements.statement(kReadDataVersion);
        if (!read || !read.exec())
            return ContentStamp();
    }
    stamp.changes = sqlite3_total_changes64(db);
    unsigned int version = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK)
        return ContentStamp();
    stamp.dataVersion = version;
    stamp.rollbacks = rollbacks.load(std::memory_order_relaxed);
    return stamp;
}

sqlite3* LibraryContext::handle() const {
    return StatementCache::connectionOf(database);
}

sqlite3* LibraryContext::attachedConnection() {
    sqlite3* db = statements.connection();
    if (db && database.isOpen())
        return db;
    db = handle();
    if (!db)
        return nullptr;
    statements.attach(db);
    // A rollback undoes rows without the count of written rows going back: counting the
    // rollbacks keeps two stamps on either side of one from looking equal.
    sqlite3_rollback_hook(db, &LibraryContext::countRollback, this);
    return db;
}

void LibraryContext::countRollback(void* context) {
    static_cast<LibraryContext*>(context)->rollbacks.fetch_add(1, std::memory_order_relaxed);
}

bool LibraryContext::beginTransaction() {
    if (transactionDepth == 0 && !database.transaction())
        return false;
    ++transactionDepth;
    return true;
}

bool LibraryContext::rollbackTransaction() {
    if (transactionDepth == 0)
        return true;
    if (!database.rollback()) {
        // A trigger's RAISE(ROLLBACK) has already undone the transaction inside SQLite; the
        // nest is gone either way, so the counter must not stay above 0.
        if (databaseInTransaction())
            return false;
    }
    transactionDepth = 0;
    return true;
}

bool LibraryContext::commitTransaction() {
    if (transactionDepth == 0)
        return true;
    if (transactionDepth == 1 && !database.commit()) {
        // Nothing was committed; when SQLite has no transaction open any more the nest is gone.
        if (!databaseInTransaction())
            transactionDepth = 0;
        return false;
    }
    // What was stored in the nest is in the file for good now.
    if (--transactionDepth == 0)
        storedRows.clear();
    return true;
}

void LibraryContext::noteStoredRow(RowKind kind, quint64 id, bool idGiven) {
    if (transactionDepth == 0)
        return;
    // Once SQLite has ended the transaction by itself, each statement commits on its own: a
    // row stored then stays, whatever becomes of the nest.
    sqlite3* db = handle();
    if (!db || sqlite3_get_autocommit(db) != 0)
        return;
    if (storedRows.isEmpty())
        storedRowsRollbacks = rollbacks.load(std::memory_order_relaxed);
    storedRows.append(StoredRow{kind, idGiven, id});
}

QVector<LibraryContext::StoredRow> LibraryContext::settleRollback() {
    settledRollbacks = rollbacks.load(std::memory_order_relaxed);
    QVector<StoredRow> undone;
    if (!storedRows.isEmpty() && storedRowsRollbacks != settledRollbacks)
        undone.swap(storedRows);
    return undone;
}

bool LibraryContext::databaseInTransaction() const {
    if (!database.isOpen())
        return false;
    sqlite3* db = handle();
    if (!db)
        return true; // unknown: keep the nest as it is
    return sqlite3_get_autocommit(db) == 0;
}

} // namespace VireoStudio
