#pragma once

// The plugin's own database connection in this process, for checks that watch what it runs:
// the tests and the benchmarks count the statements a path starts with StatementCounter.

#include <QtGlobal>

#include <sqlite3.h>

namespace orvtest {

// The sqlite3 connection of the plugin created in this process; null while none is open.
sqlite3* pluginConnection();

// Counts the statements a connection starts while the counter lives; the programs of triggers
// they fire are part of their statement and not counted.
class StatementCounter {
public:
    explicit StatementCounter(sqlite3* db = pluginConnection());
    ~StatementCounter();
    StatementCounter(const StatementCounter&) = delete;
    StatementCounter& operator=(const StatementCounter&) = delete;
    quint64 count() const { return started; }

private:
    static int traced(unsigned type, void* self, void* statement, void* text);
    sqlite3* db;
    quint64 started = 0;
};

} // namespace orvtest
