#include "Sqlite.h"

#include <QFile>

namespace LibraryMaintenance {

namespace {
const int kBusyTimeoutMs = 120000;
} // namespace

bool Connection::open(const QString& path, int flags, QString* error) {
    close();
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? lastError() : QString::fromUtf8(sqlite3_errstr(rc));
        close();
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return true;
}

void Connection::close() {
    if (db)
        sqlite3_close_v2(db);
    db = nullptr;
}

bool Connection::exec(const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    if (error)
        *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
}

QString Connection::lastError() const {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

Statement::Statement(sqlite3* db, const QString& sql) : db(db) {
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt);
}

int Statement::step() {
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        message = QString::fromUtf8(sqlite3_errmsg(db));
    return rc;
}

void Statement::reset() {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

void Statement::bind(int index, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, value.toDouble());
        break;
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QByteArray: {
        const QByteArray blob = value.toByteArray();
        sqlite3_bind_blob(stmt, index, blob.constData(), int(blob.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        sqlite3_bind_null(stmt, index);
        break;
    }
}

QString Statement::text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
    }
    default:
        return QVariant();
    }
}

QString quoted(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace LibraryMaintenance
