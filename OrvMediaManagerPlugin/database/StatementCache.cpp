#include "StatementCache.h"

#include "SqlValues.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QSqlDriver>
#include <QStringList>
#include <QTime>
#include <QUuid>

#include <utility>

namespace VireoStudio {

namespace {

// The statement log: failures only, never in the way of a statement that works.
#ifdef QT_DEBUG
Q_LOGGING_CATEGORY(statementLog, "orv.sql", QtWarningMsg)
#else
Q_LOGGING_CATEGORY(statementLog, "orv.sql", QtCriticalMsg)
#endif

// QtSql's rule for a value that binds as NULL.
bool bindsAsNull(const QVariant& value) {
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(value.constData())->isNull();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime*>(value.constData())->isValid();
    case QMetaType::QDate:
        return static_cast<const QDate*>(value.constData())->isNull();
    case QMetaType::QTime:
        return !static_cast<const QTime*>(value.constData())->isValid();
    case QMetaType::QUuid:
        return static_cast<const QUuid*>(value.constData())->isNull();
    default:
        return false;
    }
}

int bindText(sqlite3_stmt* stmt, int index, const QString& text) {
    return sqlite3_bind_text16(stmt, index, text.utf16(), int(text.size() * sizeof(QChar)),
                               SQLITE_TRANSIENT);
}

// Binds one value the way QtSql's SQLite driver does.
int bindQtValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (bindsAsNull(value))
        return sqlite3_bind_null(stmt, index);
    switch (value.userType()) {
    case QMetaType::QByteArray: {
        const QByteArray* bytes = static_cast<const QByteArray*>(value.constData());
        return sqlite3_bind_blob(stmt, index, bytes->constData(), int(bytes->size()),
                                 SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
        return sqlite3_bind_int(stmt, index, value.toInt());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::QDateTime:
        return bindText(stmt, index, value.toDateTime().toString(Qt::ISODateWithMs));
    case QMetaType::QTime:
        return bindText(stmt, index, value.toTime().toString(QStringLiteral("hh:mm:ss.zzz")));
    case QMetaType::QString:
        return bindText(stmt, index, *static_cast<const QString*>(value.constData()));
    default:
        return bindText(stmt, index, value.toString());
    }
}

bool isAscii(const char* text, int size) {
    for (int i = 0; i < size; ++i) {
        if (uchar(text[i]) >= 0x80)
            return false;
    }
    return true;
}

// Whether what follows the first statement of a text is only blank: QtSql refuses a text that
// holds two statements.
bool onlyBlank(const char* tail) {
    for (; tail && *tail; ++tail) {
        if (!QChar::isSpace(uchar(*tail)))
            return false;
    }
    return true;
}

// A bound value as the log shows it.
QString loggedValue(const QVariant& value) {
    if (bindsAsNull(value))
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QString)
        return QLatin1Char('\'') + value.toString() + QLatin1Char('\'');
    return value.toString();
}

} // namespace

void Statement::failed(int code) {
    lastError = code;
    if (!statementLog().isWarningEnabled())
        return;
    QStringList bound;
    for (int i = 0; i < values.size(); ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt, i + 1);
        bound << QStringLiteral("%1=%2").arg(QLatin1String(name ? name : "?"),
                                             loggedValue(values.at(i)));
    }
    qCWarning(statementLog).noquote()
        << "statement failed:" << sqlite3_sql(stmt) << "| bound:" << bound.join(QLatin1String(", "))
        << "|" << sqlite3_errstr(code) << "-" << sqlite3_errmsg(sqlite3_db_handle(stmt));
}

Statement::Statement(StatementCache* cache, StatementCacheEntry* entry, sqlite3_stmt* stmt,
                     quint64 generation)
    : cache(cache), entry(entry), stmt(stmt), generation(generation) {
    values.resize(sqlite3_bind_parameter_count(stmt));
}

Statement::Statement(Statement&& other) noexcept
    : cache(std::exchange(other.cache, nullptr)), entry(std::exchange(other.entry, nullptr)),
      stmt(std::exchange(other.stmt, nullptr)), generation(other.generation),
      values(std::move(other.values)), state(other.state) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        giveBack();
        cache = std::exchange(other.cache, nullptr);
        entry = std::exchange(other.entry, nullptr);
        stmt = std::exchange(other.stmt, nullptr);
        generation = other.generation;
        values = std::move(other.values);
        state = other.state;
    }
    return *this;
}

Statement::~Statement() {
    giveBack();
}

void Statement::giveBack() {
    if (!stmt)
        return;
    finish();
    sqlite3_stmt* returned = std::exchange(stmt, nullptr);
    cache->giveBack(entry, returned, generation, state != State::Failed);
}

void Statement::bindValue(const char* placeholder, const QVariant& value) {
    if (!stmt)
        return;
    const int index = sqlite3_bind_parameter_index(stmt, placeholder);
    if (index > 0 && index <= values.size())
        values[index - 1] = value;
}

bool Statement::bindAll() {
    for (int i = 0; i < values.size(); ++i) {
        if (bindQtValue(stmt, i + 1, values.at(i)) != SQLITE_OK)
            return false;
    }
    return true;
}

bool Statement::exec() {
    if (!stmt)
        return false;
    // A statement is reset whenever it reaches its end, fails or is finished; only one that
    // is still inside its rows needs it here.
    const bool inRows = state == State::RowRead || state == State::OnRow;
    state = State::Failed;
    if (inRows) {
        const int code = sqlite3_reset(stmt);
        if (code != SQLITE_OK) {
            failed(code);
            return false;
        }
    }
    if (!bindAll()) {
        failed(sqlite3_errcode(sqlite3_db_handle(stmt)));
        return false;
    }
    const int code = sqlite3_step(stmt);
    switch (code) {
    case SQLITE_ROW:
        state = State::RowRead;
        return true;
    case SQLITE_DONE:
        // A statement that has run to its end lets go of the file at once, as QtSql's does.
        sqlite3_reset(stmt);
        state = State::Done;
        return true;
    default:
        failed(sqlite3_extended_errcode(sqlite3_db_handle(stmt)));
        sqlite3_reset(stmt);
        return false;
    }
}

bool Statement::next() {
    switch (state) {
    case State::RowRead:
        state = State::OnRow;
        return true;
    case State::OnRow:
        break;
    default:
        return false;
    }
    switch (sqlite3_step(stmt)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        sqlite3_reset(stmt);
        state = State::Done;
        return false;
    default:
        failed(sqlite3_extended_errcode(sqlite3_db_handle(stmt)));
        sqlite3_reset(stmt);
        state = State::Failed;
        return false;
    }
}

QVariant Statement::value(int column) const {
    if (state != State::OnRow || column < 0 || column >= sqlite3_column_count(stmt))
        return QVariant();
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        break;
    }
    // Text is stored as UTF-8. Most of it is ASCII, which reads as Latin-1 without SQLite making
    // a UTF-16 copy first; anything else goes through SQLite's own conversion, as for QtSql
    // (which keeps, for one, a lone surrogate that was written).
    const char* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    const int bytes = sqlite3_column_bytes(stmt, column);
    if (utf8 && isAscii(utf8, bytes))
        return QString::fromLatin1(utf8, bytes);
    return QString(static_cast<const QChar*>(sqlite3_column_text16(stmt, column)),
                   sqlite3_column_bytes16(stmt, column) / int(sizeof(QChar)));
}

QVariant Statement::value(const char* columnName) const {
    if (state != State::OnRow)
        return QVariant();
    const int columns = sqlite3_column_count(stmt);
    for (int column = 0; column < columns; ++column) {
        if (qstrcmp(sqlite3_column_name(stmt, column), columnName) == 0)
            return value(column);
    }
    return QVariant();
}

bool Statement::isNull(int column) const {
    return state == State::OnRow && column >= 0 && column < sqlite3_column_count(stmt) &&
           sqlite3_column_type(stmt, column) == SQLITE_NULL;
}

quint64 Statement::unsignedNumber(int column) const {
    if (state == State::OnRow && column >= 0 && column < sqlite3_column_count(stmt) &&
        sqlite3_column_type(stmt, column) == SQLITE_INTEGER)
        return quint64(sqlite3_column_int64(stmt, column));
    return orv::toUInt64(value(column));
}

QDateTime Statement::storedDateTime(int column, bool* inUtc) const {
    if (state == State::OnRow && column >= 0 && column < sqlite3_column_count(stmt) &&
        sqlite3_column_type(stmt, column) == SQLITE_TEXT) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        QDate date;
        QTime time;
        if (text && orv::readSqliteStamp(text, sqlite3_column_bytes(stmt, column), &date, &time)) {
            *inUtc = true;
            return QDateTime(date, time, Qt::UTC);
        }
    }
    return orv::storedDateTimeInUtc(value(column), inUtc);
}

int Statement::numRowsAffected() const {
    if (!stmt || state == State::Idle || state == State::Failed)
        return -1;
    return sqlite3_changes(sqlite3_db_handle(stmt));
}

QVariant Statement::lastInsertId() const {
    if (!stmt || state == State::Idle || state == State::Failed)
        return QVariant();
    const qint64 id = sqlite3_last_insert_rowid(sqlite3_db_handle(stmt));
    return id ? QVariant(qlonglong(id)) : QVariant();
}

void Statement::finish() {
    if (!stmt || state == State::Idle)
        return;
    if (state == State::RowRead || state == State::OnRow)
        sqlite3_reset(stmt);
    if (state != State::Failed)
        state = State::Idle;
}

StatementCache::StatementCache(int capacity) : maxSize(capacity) {}

StatementCache::~StatementCache() {
    clear();
}

sqlite3* StatementCache::connectionOf(const QSqlDatabase& database) {
    if (!database.isOpen())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void StatementCache::attach(sqlite3* connection) {
    if (connection != db)
        clear();
    db = connection;
}

Statement StatementCache::statement(const char* text) {
    Entry* entry = byAddress.value(text);
    // A text seen at this address before is found without hashing it; the comparison keeps a
    // text that only reuses the place of an earlier one from being taken for it.
    if (entry && qstrcmp(entry->text.constData(), text) == 0)
        return borrow(entry, entry->text, text);
    const QByteArray raw = QByteArray::fromRawData(text, qsizetype(qstrlen(text)));
    entry = byText.value(raw);
    if (entry)
        byAddress.insert(text, entry);
    return borrow(entry, raw, text);
}

Statement StatementCache::statement(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return borrow(byText.value(utf8), utf8, nullptr);
}

Statement StatementCache::borrow(Entry* entry, const QByteArray& text, const char* address) {
    if (!db)
        return Statement();
    if (entry && entry->idle) {
        ++entry->borrowed;
        entry->lastUse = ++clock;
        ++out;
        return Statement(this, entry, std::exchange(entry->idle, nullptr), generation);
    }
    // The text's own statement is out (an operation that reads its rows has called another
    // that runs the same text), or there is none yet: prepare one.
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                           &tail) != SQLITE_OK ||
        !stmt || !onlyBlank(tail)) {
        qCWarning(statementLog).noquote()
            << "statement did not prepare:" << text << "|" << sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
        return Statement();
    }
    ++prepared;
    if (!entry && (entries.size() < size_t(maxSize) || makeRoom())) {
        entries.push_back(Entry());
        entry = &entries.back();
        entry->text = QByteArray(text.constData(), text.size()); // a copy the cache owns
        byText.insert(entry->text, entry);
        if (address)
            byAddress.insert(address, entry);
    }
    if (entry) {
        ++entry->borrowed;
        entry->lastUse = ++clock;
    }
    ++out;
    return Statement(this, entry, stmt, generation);
}

void StatementCache::giveBack(Entry* entry, sqlite3_stmt* stmt, quint64 borrowedIn, bool healthy) {
    --out;
    // A statement borrowed before a clear() belongs to a connection that is going (and its
    // entry is gone).
    if (borrowedIn != generation || !db) {
        sqlite3_finalize(stmt);
        return;
    }
    if (entry)
        --entry->borrowed;
    // A statement whose run failed is not trusted again; a text keeps one statement.
    if (!healthy || !entry || entry->idle) {
        sqlite3_finalize(stmt);
        return;
    }
    entry->idle = stmt;
    entry->lastUse = ++clock;
}

bool StatementCache::makeRoom() {
    auto oldest = entries.end();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->borrowed == 0 && (oldest == entries.end() || it->lastUse < oldest->lastUse))
            oldest = it;
    }
    if (oldest == entries.end())
        return false;
    Entry* gone = &*oldest;
    sqlite3_finalize(gone->idle);
    byText.remove(gone->text);
    for (auto it = byAddress.begin(); it != byAddress.end();) {
        if (it.value() == gone)
            it = byAddress.erase(it);
        else
            ++it;
    }
    entries.erase(oldest);
    return true;
}

bool StatementCache::executeOnce(sqlite3* connection, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(connection, utf8.constData(), int(utf8.size()), &stmt, &tail) !=
            SQLITE_OK ||
        !stmt || !onlyBlank(tail)) {
        qCWarning(statementLog).noquote()
            << "statement did not prepare:" << text << "|" << sqlite3_errmsg(connection);
        sqlite3_finalize(stmt);
        return false;
    }
    int code = SQLITE_ROW;
    while (code == SQLITE_ROW)
        code = sqlite3_step(stmt);
    if (code != SQLITE_DONE)
        qCWarning(statementLog).noquote()
            << "statement failed:" << text << "|" << sqlite3_errmsg(connection);
    sqlite3_finalize(stmt);
    return code == SQLITE_DONE;
}

void StatementCache::clear() {
    for (Entry& entry : entries)
        sqlite3_finalize(entry.idle);
    byAddress.clear();
    byText.clear();
    entries.clear();
    ++generation;
    db = nullptr;
}

} // namespace VireoStudio

void orv::bind(VireoStudio::Statement& statement, const char* placeholder, const QVariant& value) {
    statement.bindValue(placeholder, bindable(value));
}
