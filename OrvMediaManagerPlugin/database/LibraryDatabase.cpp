#include "LibraryDatabase.h"

#include <QSqlError>

namespace VireoStudio {

const char LibraryDatabase::kLibraryConnection[] = "OrvMediaManagerPluginDatabaseConnection";

namespace {
// A second connection that holds a lock is waited for this long before a statement fails.
const char kConnectOptions[] = "QSQLITE_BUSY_TIMEOUT=120000";
const char kReadOnlyOptions[] = "QSQLITE_BUSY_TIMEOUT=120000;QSQLITE_OPEN_READONLY";
const char kReadDataVersion[] = "PRAGMA data_version";
} // namespace

LibraryDatabase::LibraryDatabase(const char* name)
    : name(QLatin1String(name)),
      connection(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), this->name)) {}

LibraryDatabase::~LibraryDatabase() {
    // Kept statements go before the connection can close; none is out any more.
    statements.clear();
    closing = false;
    // A connection that never opened is still registered; unregister it so that the next
    // library of this process starts from a clean name.
    const bool registered = connection.isValid();
    connection.close();
    connection = QSqlDatabase();
    if (registered && QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
}

bool LibraryDatabase::open(const QString& path, bool readOnly) {
    lastOpenError = 0;
    connection.setConnectOptions(QLatin1String(readOnly ? kReadOnlyOptions : kConnectOptions));
    connection.setDatabaseName(path);
    if (connection.open())
        return true;
    lastOpenError = connection.lastError().nativeErrorCode().toInt();
    if (lastOpenError == 0)
        lastOpenError = SQLITE_CANTOPEN;
    return false;
}

bool LibraryDatabase::isOpen() const {
    return connection.isOpen() && !closing;
}

void LibraryDatabase::close() {
    // A connection does not close while statements prepared on it are kept or out: the kept
    // ones go now, those out when they come back.
    statements.clear();
    transactionDepth = 0;
    if (connection.isOpen()) {
        closing = true;
        finishClosing();
    }
}

void LibraryDatabase::finishClosing() {
    if (!closing || statements.outstanding() > 0)
        return;
    closing = false;
    connection.close();
    connection = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

Statement LibraryDatabase::statement(const char* text) {
    if (!attachedConnection())
        return Statement();
    return statements.statement(text);
}

Statement LibraryDatabase::statement(const QString& text) {
    if (!attachedConnection())
        return Statement();
    return statements.statement(text);
}

bool LibraryDatabase::execute(const QString& text) {
    sqlite3* db = attachedConnection();
    return db && StatementCache::executeOnce(db, text);
}

ContentStamp LibraryDatabase::contentStamp() {
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
    stamp.rollbacks = rollbackCount();
    return stamp;
}

sqlite3* LibraryDatabase::handle() const {
    return StatementCache::connectionOf(connection);
}

sqlite3* LibraryDatabase::attachedConnection() {
    if (closing) {
        finishClosing();
        return nullptr;
    }
    sqlite3* db = statements.connection();
    if (db && connection.isOpen())
        return db;
    db = handle();
    if (!db)
        return nullptr;
    statements.attach(db);
    // A rollback undoes rows without the count of written rows going back: counting the
    // rollbacks keeps two stamps on either side of one from looking equal, and tells the
    // library that rows stored before it are gone.
    sqlite3_rollback_hook(db, &LibraryDatabase::countRollback, this);
    return db;
}

void LibraryDatabase::countRollback(void* context) {
    static_cast<LibraryDatabase*>(context)->rollbacks.fetch_add(1, std::memory_order_relaxed);
}

bool LibraryDatabase::beginTransaction() {
    if (transactionDepth == 0) {
        // Attached first, so that the rollback of this transaction is counted.
        if (!attachedConnection() || !connection.transaction())
            return false;
    }
    ++transactionDepth;
    return true;
}

bool LibraryDatabase::rollbackTransaction() {
    if (transactionDepth == 0)
        return true;
    if (!connection.rollback()) {
        // A trigger's RAISE(ROLLBACK) has already undone the transaction inside SQLite; the
        // nest is gone either way, so the counter must not stay above 0.
        if (databaseInTransaction())
            return false;
    }
    transactionDepth = 0;
    return true;
}

bool LibraryDatabase::commitTransaction() {
    if (transactionDepth == 0)
        return true;
    if (transactionDepth == 1 && !connection.commit()) {
        // Nothing was committed; when SQLite has no transaction open any more the nest is gone.
        if (!databaseInTransaction())
            transactionDepth = 0;
        return false;
    }
    --transactionDepth;
    return true;
}

bool LibraryDatabase::databaseInTransaction() const {
    if (!isOpen())
        return false;
    sqlite3* db = handle();
    if (!db)
        return true; // unknown: keep the nest as it is
    return sqlite3_get_autocommit(db) == 0;
}

} // namespace VireoStudio
