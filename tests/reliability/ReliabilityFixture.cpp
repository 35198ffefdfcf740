#include "ReliabilityFixture.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orvtest {

QStringList dumpLibrary(const QSqlDatabase& db) {
    QStringList tables;
    {
        QSqlQuery names(db);
        names.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
        while (names.next())
            tables << names.value(0).toString();
    }
    QStringList rows;
    for (const QString& table : tables) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table))) {
            rows << table + QStringLiteral(" unreadable");
            continue;
        }
        const QSqlRecord record = query.record();
        while (query.next()) {
            QStringList columns{table};
            for (int i = 0; i < record.count(); ++i) {
                const QString name = record.fieldName(i);
                if (name == QLatin1String("create_date") || name == QLatin1String("last_change"))
                    columns << QStringLiteral("*");
                else
                    columns << (query.isNull(i) ? QStringLiteral("NULL")
                                                : query.value(i).toString());
            }
            rows << columns.join(QLatin1Char('|'));
        }
    }
    return rows;
}

std::string rowDifference(const QStringList& left, const QStringList& right) {
    // Rows are matched one for one, so that a row that is there twice on one side shows.
    QStringList rightOnly = right;
    QStringList lines;
    for (const QString& row : left) {
        if (!rightOnly.removeOne(row))
            lines << QStringLiteral("+ ") + row;
    }
    for (const QString& row : rightOnly)
        lines << QStringLiteral("- ") + row;
    if (lines.isEmpty())
        lines << QStringLiteral("(the same rows in another order)");
    return lines.join(QLatin1Char('\n')).toStdString();
}

QSqlDatabase openConnection(const QString& name, const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    db.setDatabaseName(path);
    db.open();
    return db;
}

void closeConnection(const QString& name) {
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

} // namespace orvtest

void ReliabilityFixture::SetUp() {
    savedTemporaryFolder = qgetenv("TMPDIR");
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    if (memory.isDir() && memory.isWritable())
        qputenv("TMPDIR", "/dev/shm");
    LegacyFixture::SetUp();
}

void ReliabilityFixture::TearDown() {
    LegacyFixture::TearDown();
    if (savedTemporaryFolder.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemporaryFolder);
}

void ReliabilityFixture::stampPlaysInOrder() {
    exec(QStringLiteral("UPDATE recent_file SET last_change = strftime('%Y-%m-%d %H:%M:%f', "
                        "'2020-01-01', '+' || recent_file_id || ' seconds')"));
}

void ReliabilityFixture::expectIntact(int recentMaximum) {
    const QStringList problems = orvtest::libraryIntegrityProblems(checkDatabase(), recentMaximum);
    EXPECT_LIBRARY_INTACT(problems);
}
