// The measure of repair: on a library of several thousand files with one table page damaged, it
// brings back at least as many rows of every table as the remedy users are told to try, the
// sqlite3 command's ".dump" (whose output ends in ROLLBACK, so loading it as it is gives an empty
// database), and a working library besides. A damaged index page loses no row at all. Prints
// the comparison, table by table.

#include "MaintenanceFixture.h"

#include "LibraryRules.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

using namespace LibraryMaintenance;

// The rows of each table that "sqlite3 FILE .dump" writes out.
QMap<QString, qint64> dumpedRows(const QString& path) {
    QProcess dump;
    dump.start(QStringLiteral("sqlite3"), {path, QStringLiteral(".dump")});
    EXPECT_TRUE(dump.waitForFinished(120000)) << "the sqlite3 command (Debian package sqlite3) "
                                                 "did not run";
    QMap<QString, qint64> rows;
    static const QRegularExpression insert(QStringLiteral("^INSERT INTO \"?(\\w+)\"? VALUES"));
    for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
        const QRegularExpressionMatch match = insert.match(QString::fromUtf8(line));
        if (match.hasMatch())
            ++rows[match.captured(1)];
    }
    return rows;
}

TEST_F(MaintenanceFixture, RepairBringsBackAtLeastWhatSqliteDumpReads) {
    buildLibrary(5000);
    const QString path = libraryPath();
    const QByteArray healthy = bytesOf(path);
    const QMap<QString, qint64> original = rowsPerTable(rowsOf(path));

    std::printf("%-36s %-22s %8s %8s %8s\n", "damaged page of", "table", "rows", ".dump", "repair");
    for (const char* object : {"node", "media_file", "video_file", "playlist_item",
                               "sqlite_autoindex_node_1", "playlist_item_node_id"}) {
        SCOPED_TRACE(object);
        for (const QString& file : filesBeside())
            QFile::remove(playerFolder() + QLatin1Char('/') + file);
        writeBytes(path, healthy);
        damagePage(path, QLatin1String(object));
        const QMap<QString, qint64> dumped = dumpedRows(path);
        RepairReport report;
        ASSERT_EQ(repair(&report), RepairResult::Repaired);
        EXPECT_TRUE(report.remaining.isEmpty());
        const QMap<QString, qint64> repaired = rowsPerTable(rowsOf(path));
        const bool index = QString::fromLatin1(object).contains(QLatin1String("_id")) ||
                           QString::fromLatin1(object).startsWith(QLatin1String("sqlite_"));
        for (const char* table : kLibraryTables) {
            const QString name = QLatin1String(table);
            std::printf("%-36s %-22s %8lld %8lld %8lld\n", object, table, original.value(name),
                        dumped.value(name), repaired.value(name));
            EXPECT_GE(repaired.value(name), dumped.value(name)) << table;
            if (index) {
                EXPECT_EQ(repaired.value(name), original.value(name)) << table;
            }
        }
    }
}

} // namespace
