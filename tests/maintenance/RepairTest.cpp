// repair on libraries damaged in controlled ways: every row that can be read comes back with its
// rowid and values, rows put together from indexes or related rows are counted as rebuilt, the
// report's counts are the rows the new library holds, the damaged file is kept byte for byte,
// and the plugin opens the result. It refuses while another program has the library open, finds
// a repaired library sound, and never imports an older release's files a second time.

#include "MaintenanceFixture.h"

#include "LibraryCheck.h"

#include <QFile>
#include <QHash>
#include <QProcess>

#include <functional>
#include <numeric>

namespace {

using namespace LibraryMaintenance;

// Rows by "table|rowid".
QHash<QString, QString> byKey(const QStringList& rows) {
    QHash<QString, QString> keyed;
    for (const QString& row : rows)
        keyed.insert(row.section(QLatin1Char('|'), 0, 1), row);
    return keyed;
}

struct Damage {
    const char* name;
    std::function<void(const QString& path, const QByteArray& healthy)> apply;
    bool everyRowBack;
};

TEST_F(MaintenanceFixture, RepairBringsBackEveryReadableRowAndKeepsTheDamagedFile) {
    buildLibrary(600);
    const QString path = libraryPath();
    const QByteArray healthy = bytesOf(path);
    const QHash<QString, QString> original = byKey(rowsOf(path));

    const std::vector<Damage> damages = {
        // Nodes come back from the URI index, playlist items from their two indexes.
        {"a node page", [](const QString& p, const QByteArray&) { damagePage(p, "node"); }, true},
        {"a playlist item page",
         [](const QString& p, const QByteArray&) { damagePage(p, "playlist_item"); }, true},
        // Media rows of video files come back from their video rows, without their details.
        {"a media file page",
         [](const QString& p, const QByteArray&) { damagePage(p, "media_file"); }, true},
        {"an index page",
         [](const QString& p, const QByteArray&) {
             damagePage(p, "playlist_item_playlist_id_play_order");
         },
         true},
        {"a zeroed header",
         [](const QString& p, const QByteArray& h) {
             writeBytes(p, QByteArray(100, '\0') + h.mid(100));
         },
         true},
        {"a journal left", [](const QString& p, const QByteArray&) { leaveJournal(p); }, true},
        {"a cut file",
         [](const QString& p, const QByteArray& h) { writeBytes(p, h.left(h.size() * 3 / 4)); },
         false},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        for (const QString& file : filesBeside())
            QFile::remove(playerFolder() + QLatin1Char('/') + file);
        writeBytes(path, healthy);
        damage.apply(path, healthy);
        const QByteArray damaged = bytesOf(path);
        const QByteArray damagedJournal = bytesOf(path + QStringLiteral("-journal"));

        RepairReport report;
        ASSERT_EQ(repair(&report), RepairResult::Repaired);
        EXPECT_FALSE(report.found.isEmpty());
        EXPECT_TRUE(bytesOf(report.keptAs) == damaged);
        EXPECT_TRUE(bytesOf(report.keptAs + QStringLiteral("-journal")) == damagedJournal);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
        EXPECT_TRUE(report.remaining.isEmpty()) << report.remaining.value(0).text.toStdString();
        EXPECT_TRUE(checkLibrary(path, kRecentMaximum).sound());

        const QStringList rows = rowsOf(path);
        const QHash<QString, QString> repaired = byKey(rows);
        const QMap<QString, qint64> perTable = rowsPerTable(rows);
        qint64 rebuilt = 0;
        for (const TableOutcome& outcome : report.tables) {
            rebuilt += outcome.rebuilt;
            EXPECT_EQ(perTable.value(outcome.table), outcome.recovered)
                << outcome.table.toStdString();
        }
        qint64 changed = 0;
        for (auto it = repaired.cbegin(); it != repaired.cend(); ++it) {
            ASSERT_TRUE(original.contains(it.key()))
                << "a row that was not there: " << it.value().toStdString();
            changed += original.value(it.key()) == it.value() ? 0 : 1;
        }
        EXPECT_LE(changed, rebuilt);
        if (damage.everyRowBack) {
            EXPECT_EQ(repaired.size(), original.size());
        } else {
            EXPECT_GT(repaired.size(), original.size() / 2);
        }

        startPlugin();
        EXPECT_TRUE(library->isOpen());
        stopPlugin();
    }
}

TEST_F(MaintenanceFixture, RepairMendsTheRulesAValueDamagedBroke) {
    buildLibrary(100);
    const QString path = libraryPath();
    const quint64 favourites =
        scalar(QStringLiteral("SELECT playlist_id FROM playlist WHERE playlist_type = 255"))
            .toULongLong();
    const quint64 gone =
        scalar(QStringLiteral("SELECT min(node_id) FROM video_file")).toULongLong();
    QList<quint64> items = itemNodes(favourites);
    items.removeAll(gone);
    closeCheckDatabase();
    execOn(path, "DELETE FROM node WHERE node_id = (SELECT min(node_id) FROM video_file);"
                 "UPDATE playlist_item SET play_order = play_order / 2 WHERE playlist_id = "
                 "(SELECT playlist_id FROM playlist WHERE playlist_type = 255);"
                 "DELETE FROM playlist WHERE playlist_type = 3;"
                 "UPDATE schema_data SET version = 7;"
                 "UPDATE recent_file SET last_change = strftime('%Y-%m-%d %H:%M:%f', "
                 "'2020-01-01', '+' || recent_file_id || ' seconds')");
    setRecentFileMaximum(5);

    RepairReport report;
    ASSERT_EQ(repair(&report, nullptr, 5), RepairResult::Repaired);
    EXPECT_TRUE(report.remaining.isEmpty()) << report.remaining.value(0).text.toStdString();
    EXPECT_EQ(report.renumbered, QList<qint64>{qint64(favourites)});
    EXPECT_EQ(report.trimmed, 5);
    EXPECT_EQ(itemNodes(favourites), items);
    QList<qint64> places(items.size());
    std::iota(places.begin(), places.end(), 0);
    EXPECT_EQ(itemOrders(favourites), places);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM playlist WHERE playlist_type = 3")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")), 65792);
}

TEST_F(MaintenanceFixture, RepairRefusesWhileOpenRunsTwiceAndImportsNothingAgain) {
    // An older release's library and download queue, which the first start imports.
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///old/one.avi"));
        legacy.addFile(2, QStringLiteral("file:///old/two.avi"));
    }
    writeQueue(legacyFolder() + QStringLiteral("/downloadmanager.xml"),
               "<DownloadItem url='http://dl/old' ticket='OLD' status='3'/>");
    buildLibrary(200);
    const QString path = libraryPath();
    ASSERT_EQ(scalar(QStringLiteral("SELECT count(*) FROM node WHERE uri LIKE 'file:///old/%'")),
              2);
    closeCheckDatabase();
    const QStringList original = rowsOf(path);
    damagePage(path, "playlist_item");
    const QByteArray damaged = bytesOf(path);

    QProcess player;
    player.setStandardInputFile(path);
    player.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    ASSERT_TRUE(player.waitForStarted());
    RepairReport refused;
    QString error;
    EXPECT_EQ(repair(&refused, &error), RepairResult::Failed);
    EXPECT_TRUE(error.contains(QLatin1String("open in another program"))) << error.toStdString();
    player.kill();
    player.waitForFinished();
    EXPECT_TRUE(bytesOf(path) == damaged);
    EXPECT_TRUE(filesBeside().isEmpty()) << filesBeside().join(QLatin1Char(' ')).toStdString();

    RepairReport report;
    ASSERT_EQ(repair(&report), RepairResult::Repaired);
    EXPECT_EQ(rowsOf(path), original);
    RepairReport again;
    EXPECT_EQ(repair(&again), RepairResult::Sound);
    EXPECT_EQ(filesBeside(), QStringList{QFileInfo(report.keptAs).fileName()});
}

} // namespace
