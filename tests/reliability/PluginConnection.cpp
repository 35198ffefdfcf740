#include "PluginConnection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

namespace orvtest {

namespace {
const char kPluginConnection[] = "OrvMediaManagerPluginDatabaseConnection";
} // namespace

sqlite3* pluginConnection() {
    const QSqlDatabase database = QSqlDatabase::database(QLatin1String(kPluginConnection), false);
    if (!database.isOpen())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

StatementCounter::StatementCounter(sqlite3* db) : db(db) {
    if (db)
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementCounter::traced, this);
}

StatementCounter::~StatementCounter() {
    if (db)
        sqlite3_trace_v2(db, 0, nullptr, nullptr);
}

int StatementCounter::traced(unsigned, void* self, void*, void* text) {
    // Trigger programs report themselves as "-- TRIGGER name": part of their statement.
    const char* sql = static_cast<const char*>(text);
    if (!(sql && sql[0] == '-' && sql[1] == '-'))
        ++static_cast<StatementCounter*>(self)->started;
    return 0;
}

} // namespace orvtest
