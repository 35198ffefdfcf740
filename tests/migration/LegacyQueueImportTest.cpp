// A new or 1.0 library takes over an older release's download queue file.

#include "LegacyFixture.h"

#include <QDir>
#include <QFile>

namespace {

using Rows = std::vector<std::string>;

class LegacyQueueImport : public LegacyFixture {
protected:
    QString queuePath() const { return playerFolder() + QStringLiteral("/downloadmanager.xml"); }
    // The imported downloads in file order.
    Rows downloads() {
        return rows(QStringLiteral(
            "SELECT n.uri, n.name, q.download_url, q.download_status, q.percent_complete, "
            "q.ticket, q.ticket_torn, q.temp_uri FROM queued_file q JOIN node n USING (node_id) "
            "ORDER BY node_id"));
    }
    // Per download: its rows in the other tables and the playlists it is an item of.
    Rows shapes() {
        return rows(QStringLiteral(
            "SELECT n.name, a.content_provider, a.content_id, m.media_file_type, m.size, "
            "m.title, v.node_id IS NOT NULL, v.duration, (SELECT group_concat(t) FROM (SELECT "
            "p.playlist_type || '@' || i.play_order AS t FROM playlist_item i JOIN playlist p "
            "USING (playlist_id) WHERE i.node_id = n.node_id ORDER BY p.playlist_type)) FROM node "
            "n JOIN acquired_file a USING (node_id) LEFT JOIN media_file m USING (node_id) LEFT "
            "JOIN video_file v USING (node_id) ORDER BY node_id"));
    }
};

TEST_F(LegacyQueueImport, TakesTheUrlFromTheTicketWhenEmptyAndMapsTheStatus) {
    writeQueue(queuePath(), "<DownloadItem url='http://dl/1' ticket='T1' status='3'/>"
                            "<DownloadItem url='' ticket='T2' status='5' ticketAlreadyTorn='TRUE'/>"
                            "<DownloadItem title='neither url nor ticket' status='2'/>"
                            "<DownloadItem url='http://dl/4' ticket='T4' ticketAlreadyTorn='yes'/>"
                            "<DownloadItem url='http://dl/5' status='abc'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(downloads(), (Rows{"vireo_vod_file://T1|T1|http://dl/1|1|0|T1|0|NULL",
                                 "vireo_vod_file://T2|T2|vireo_vod_file://T2|5|0|T2|1|NULL",
                                 "vireo_vod_file://T4|T4|http://dl/4|1|0|T4|0|NULL",
                                 "vireo_vod_file://||http://dl/5|1|0|NULL|0|NULL"}));
}

TEST_F(LegacyQueueImport, NamesFinishedDownloadsByTheirFileUri) {
    writeQueue(queuePath(), "<DownloadItem url='http://dl/1' status='4' "
                            "filePath='C:\\Movies\\my clip.avi'/>"
                            "<DownloadItem url='http://dl/2' status='4' filePath='/movies/b.avi'/>"
                            "<DownloadItem url='http://dl/3' status='4' "
                            "filePath='file://server/share/c%20d.avi'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(downloads(),
              (Rows{"file:///C:/Movies/my clip.avi|my clip.avi|http://dl/1|4|100|NULL|0|NULL",
                    "file:///movies/b.avi|b.avi|http://dl/2|4|100|NULL|0|NULL",
                    "file://server/share/c%20d.avi|c d.avi|http://dl/3|4|100|NULL|0|NULL"}));
}

TEST_F(LegacyQueueImport, GivesEncryptedAndPlainContentTheirRowsAndPlaylists) {
    writeQueue(queuePath(),
               "<DownloadItem url='http://dl/e' ticket='E' status='4' encrypted='TRUE' "
               "filePath='C:\\dl\\e.avi' title='Locked' fileSize='10' "
               "contentProviderDisplayName='Studio' contentEncryptionUsageID='77'/>"
               "<DownloadItem url='http://dl/p' ticket='P' status='2' encrypted='yes' "
               "title='Plain' fileSize='12345678901234' contentEncryptionUsageID='x'/>"
               "<DownloadItem url='http://dl/f' ticket='F' status='4' encrypted='false' "
               "filePath='C:\\dl\\f.avi' title='Done' fileSize='42'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(shapes(), (Rows{"e.avi|Studio|77|NULL|NULL|NULL|0|NULL|16@0,18@0",
                              "P|NULL|0|1|12345678901234|Plain|0|NULL|16@1",
                              "f.avi|NULL|0|1|42|Done|1|NULL|1@0,2@0,16@2"}));
}

TEST_F(LegacyQueueImport, ReadsOnlyItemsInsideAQueue) {
    writeFile(queuePath(), "<Root><DownloadItem url='http://dl/before' ticket='B'/>"
                           "<downloadqueue><DownloadItem url='http://dl/case' ticket='C'/>"
                           "</downloadqueue>"
                           "<DownloadQueue><Group><DownloadItem url='http://dl/in' ticket='I'>"
                           "<DownloadItem url='http://dl/nested' ticket='N'/></DownloadItem>"
                           "</Group></DownloadQueue>"
                           "<DownloadItem url='http://dl/after' ticket='A'/></Root>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT ticket FROM queued_file ORDER BY node_id")),
              (Rows{"I", "N"}));
}

TEST_F(LegacyQueueImport, KeepsTheItemsBeforeTheBreakOfABrokenFile) {
    writeFile(queuePath(), "<DownloadQueue><DownloadItem url='http://dl/1' ticket='T1'/>"
                           "<DownloadItem url='http://dl/2' ticket='T2'></DownloadItem>"
                           "<DownloadItem url='http://dl/3' tic");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT ticket FROM queued_file ORDER BY node_id")),
              (Rows{"T1", "T2"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toInt(), 65792);
}

TEST_F(LegacyQueueImport, ImportsA10LibrarysQueueButNotTheOlderLibrary) {
    writeEarlierLibrary(65536);
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
    }
    writeQueue(queuePath(), "<DownloadItem url='http://dl/1' ticket='T1'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT uri FROM node")), (Rows{"vireo_vod_file://T1"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toInt(), 65792);
    EXPECT_EQ(count(QStringLiteral("pragma_table_info('media_file')")), 8);
    EXPECT_TRUE(legacyConnectionRemoved());
}

// An item met before, or a download of a file the library import brought in, never keeps the
// library closed: the first occurrence wins, a node joins each playlist once, and the start-up
// publishes how many items it skipped.
TEST_F(LegacyQueueImport, DuplicatesKeepTheFirstAndDownloadsOfLibraryFilesJoinThem) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
        legacy.addPlaylist(100, QStringLiteral("All Videos"));
        legacy.addMember(100, 1);
    }
    writeQueue(queuePath(), "<DownloadItem url='http://dl/1' ticket='T' title='First'/>"
                            "<DownloadItem url='http://dl/2' ticket='t' title='Second'/>"
                            "<DownloadItem url='http://dl/a' status='4' filePath='/v/a.avi' "
                            "title='Downloaded' fileSize='9'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(downloads(), (Rows{"file:///v/a.avi|a.avi|http://dl/a|4|100|NULL|0|NULL",
                                 "vireo_vod_file://T|T|http://dl/1|1|0|T|0|NULL"}));
    EXPECT_EQ(shapes(), (Rows{"a.avi|NULL|0|1|1000|Title 1|1|60|1@0,2@0,16@1",
                              "T|NULL|0|1|0|First|0|NULL|16@0"}));
    EXPECT_EQ(published(QStringLiteral("Media.Import.Skipped")), (QList<quint64>{1}));
}

TEST_F(LegacyQueueImport, AFailureLeavesA10LibraryAsItWas) {
    // A queue the library cannot take: its rows are refused.
    writeEarlierLibrary(
        65536, {QStringLiteral("CREATE TABLE queued_file (node_id INTEGER PRIMARY KEY NOT NULL, "
                               "temp_uri TEXT, download_url TEXT NOT NULL, download_status "
                               "INTEGER NOT NULL, percent_complete INTEGER NOT NULL DEFAULT 0, "
                               "ticket TEXT, ticket_torn INTEGER NOT NULL DEFAULT 0)"),
                QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON queued_file "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END")});
    writeQueue(queuePath(), "<DownloadItem url='http://dl/1' ticket='T'/>");
    startPlugin();
    EXPECT_FALSE(library->isOpen());
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toInt(), 65536);
    EXPECT_EQ(count(QStringLiteral("pragma_table_info('media_file')")), 4);
    EXPECT_EQ(count(QStringLiteral("sqlite_master")), 4);
}

TEST_F(LegacyQueueImport, AQueueFileThatCannotBeReadIsPassedOver) {
    // A folder where the queue file should be: it exists, but it cannot be read as a file.
    ASSERT_TRUE(QDir().mkpath(queuePath()));
    startPlugin();
    ASSERT_TRUE(library->isOpen()) << "an unreadable queue must not keep the library closed";
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0);
}

// Of the four places a queue file may be, the first that holds one wins; the others are not
// read. The parameter is the number of leading places left empty.
class LegacyQueueFileChoice : public LegacyQueueImport,
                              public ::testing::WithParamInterface<int> {};

TEST_P(LegacyQueueFileChoice, TakesTheFirstOfTheFourPlaces) {
    const QStringList places = {playerFolder() + QStringLiteral("/downloadmanager.xml"),
                                legacyFolder() + QStringLiteral("/downloadmanager.xml"),
                                playerFolder() + QStringLiteral("/DownloadQueue.dlq"),
                                legacyFolder() + QStringLiteral("/DownloadQueue.dlq")};
    for (int i = GetParam(); i < places.size(); ++i)
        writeQueue(places[i],
                   QStringLiteral("<DownloadItem url='http://dl' ticket='Q%1'/>").arg(i).toUtf8());
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT ticket FROM queued_file")),
              (Rows{QStringLiteral("Q%1").arg(GetParam()).toStdString()}));
}

INSTANTIATE_TEST_SUITE_P(Places, LegacyQueueFileChoice, ::testing::Range(0, 4));

} // namespace
