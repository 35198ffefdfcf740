// What keeps the library's costs flat as it grows: the (playlist_id, play_order) index that
// every start-up makes sure of, look-ups of live rows that run no statement, and imports that
// give appended items the same orders counting the items would.

#include "migration/LegacyFixture.h"
#include "reliability/PluginConnection.h"

#include <QSqlQuery>
#include <QUrl>

namespace {

typedef VireoStudio::MediaManagerInterface M;

class LibraryScale : public LegacyFixture {
protected:
    QStringList indexes() {
        QStringList names;
        QSqlQuery query(checkDatabase());
        query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                  "tbl_name = 'playlist_item' ORDER BY name"));
        while (query.next())
            names << query.value(0).toString();
        return names;
    }
    quint64 saveVideo(const QString& uri) {
        M::VideoFileInterface* file = nullptr;
        EXPECT_TRUE(library->newVideoFile(QUrl(uri), QStringLiteral("T"), 1, 2, &file));
        EXPECT_TRUE(file->save());
        const quint64 id = file->getId();
        file->release();
        return id;
    }
};

TEST_F(LibraryScale, EveryStartUpMakesTheItemOrderIndexOfALibraryThatLacksIt) {
    startPlugin();
    EXPECT_TRUE(indexes().contains(QStringLiteral("playlist_item_playlist_id_play_order")));
    // A library of an earlier release of the same schema version has no such index.
    stopPlugin();
    exec(QStringLiteral("DROP INDEX playlist_item_playlist_id_play_order"));
    closeCheckDatabase();
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(indexes(), QStringList({"playlist_item_node_id", "playlist_item_playlist_id",
                                      "playlist_item_playlist_id_play_order"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toInt(), 65792);
}

TEST_F(LibraryScale, LiveRowsAreHandedOutWithoutAStatementAndColdOnesWithOne) {
    startPlugin();
    const quint64 kept = saveVideo(QStringLiteral("file:///kept.avi"));
    // A file another connection stores has no object yet.
    const quint64 cold = insertNode(QStringLiteral("file:///cold.avi"));
    exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type, title) VALUES (%1, "
                        "1, 'Cold')")
             .arg(cold));
    exec(QStringLiteral("INSERT INTO video_file (node_id, duration) VALUES (%1, 5)").arg(cold));
    M::PlaylistInterface* all = nullptr;
    ASSERT_TRUE(library->getPlaylistAt(1, 0, &all));
    {
        orvtest::StatementCounter counter;
        for (int i = 0; i < 3; ++i) {
            M::MediaFileInterface* file = nullptr;
            ASSERT_TRUE(library->getMediaFile(kept, &file));
            file->release();
            M::PlaylistInterface* again = nullptr;
            ASSERT_TRUE(library->getPlaylist(all->getId(), &again));
            again->release();
        }
        EXPECT_EQ(counter.count(), 0u);
    }
    {
        orvtest::StatementCounter counter;
        M::MediaFileInterface* file = nullptr;
        ASSERT_TRUE(library->getMediaFile(cold, &file));
        EXPECT_EQ(file->getTitle(), QStringLiteral("Cold"));
        file->release();
        EXPECT_EQ(counter.count(), 1u) << "the type test and the columns come in one statement";
    }
    all->release();
}

TEST_F(LibraryScale, ColdLookUpsRefuseWhatIsNoVideoFile) {
    startPlugin();
    const quint64 other = insertNode(QStringLiteral("file:///other.mpg"));
    exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 2)")
             .arg(other));
    exec(QStringLiteral("INSERT INTO video_file (node_id) VALUES (%1)").arg(other));
    const quint64 bare = insertNode(QStringLiteral("file:///bare.avi"));
    exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 1)")
             .arg(bare));
    EXPECT_FALSE(library->getMediaFile(other, nullptr)) << "a media file of another type";
    EXPECT_FALSE(library->getMediaFile(bare, nullptr)) << "no video_file row";
    EXPECT_FALSE(library->getMediaFile(99999, nullptr));
}

TEST_F(LibraryScale, WalkingOnReadsTheFilesAheadAndStillSeesEveryChange) {
    startPlugin();
    M::PlaylistInterface* mix = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Walk"), 1, &mix));
    ASSERT_TRUE(mix->save());
    QList<quint64> ids;
    for (int i = 0; i < 320; ++i) {
        ids << saveVideo(QStringLiteral("file:///walk/%1.avi").arg(i));
        ASSERT_TRUE(mix->insertNodeAt(quint64(-1), ids.last()));
    }
    // A host walking the list: the id and title at each position, "-" where there is none.
    const auto at = [mix](quint64 position) {
        M::MediaFileInterface* file = nullptr;
        if (!mix->getMediaFileAt(position, &file))
            return std::string("-");
        const std::string seen =
            QStringLiteral("%1:%2").arg(file->getId()).arg(file->getTitle()).toStdString();
        file->release();
        return seen;
    };
    const auto expected = [&ids](int position, const char* title) {
        return QStringLiteral("%1:%2")
            .arg(ids.at(position))
            .arg(QLatin1String(title))
            .toStdString();
    };
    for (int position = 0; position < 100; ++position)
        ASSERT_EQ(at(quint64(position)), expected(position, "T"));
    {
        // Walking on, a host reads the next items' ids and files together.
        ASSERT_TRUE(library->beginTransaction());
        orvtest::StatementCounter counter;
        for (int position = 100; position < 200; ++position)
            ASSERT_EQ(at(quint64(position)), expected(position, "T"));
        EXPECT_LE(counter.count(), 4u);
        ASSERT_TRUE(library->commitTransaction());
    }

    // Changes made after the files were read ahead show: another connection's and the
    // plugin's own, the file becoming something else, and one that is live.
    ASSERT_EQ(at(200), expected(200, "T"));
    exec(QStringLiteral("UPDATE media_file SET title = 'Other' WHERE node_id = %1")
             .arg(ids.at(210)));
    for (int position = 201; position < 215; ++position)
        ASSERT_EQ(at(quint64(position)), expected(position, position == 210 ? "Other" : "T"));
    M::MediaFileInterface* own = nullptr;
    ASSERT_TRUE(library->getMediaFile(ids.at(230), &own));
    own->setTitle(QStringLiteral("Unsaved"));
    ASSERT_TRUE(library->deleteVideoFile(ids.at(220)));
    exec(QStringLiteral("UPDATE media_file SET media_file_type = 2 WHERE node_id = %1")
             .arg(ids.at(225)));
    for (int position = 215; position < 240; ++position) {
        const std::string seen = at(quint64(position));
        if (position < 220)
            ASSERT_EQ(seen, expected(position, "T"));
        else if (position == 224) // the one that is no video file any more, one place on
            ASSERT_EQ(seen, "-");
        else
            ASSERT_EQ(seen, expected(position + 1, position == 229 ? "Unsaved" : "T"))
                << "at " << position;
    }
    own->release();
    for (int position = 240; position < 319; ++position)
        ASSERT_EQ(at(quint64(position)), expected(position + 1, "T"));
    EXPECT_EQ(at(319), "-");
    mix->release();
}

TEST_F(LibraryScale, AnImportAppendsAfterTheLastOrderItFinds) {
    // A 1.0 library whose download queue holds two items with a gap between their orders: the
    // imported downloads follow after the last order (8, 9), as every append does.
    writeEarlierLibrary(
        65536,
        {QStringLiteral("CREATE TABLE node (node_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
                        "uri TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE, "
                        "create_date TEXT NOT NULL DEFAULT current_timestamp, UNIQUE (uri))"),
         QStringLiteral("CREATE TABLE playlist (playlist_id INTEGER PRIMARY KEY AUTOINCREMENT "
                        "NOT NULL, name TEXT COLLATE NOCASE, playlist_type INTEGER, "
                        "media_file_type INTEGER, sort_flags INTEGER, UNIQUE (name))"),
         QStringLiteral("CREATE TABLE playlist_item (playlist_item_id INTEGER PRIMARY KEY "
                        "AUTOINCREMENT NOT NULL, playlist_id INTEGER NOT NULL, node_id INTEGER "
                        "NOT NULL, play_order INTEGER NOT NULL)"),
         QStringLiteral("INSERT INTO node (node_id, uri, name) VALUES (1, 'file:///q1', 'q1'), "
                        "(2, 'file:///q2', 'q2')"),
         QStringLiteral("INSERT INTO playlist (playlist_id, playlist_type, media_file_type, "
                        "sort_flags) VALUES (5, 16, 0, 8)"),
         QStringLiteral("INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES "
                        "(5, 1, 0), (5, 2, 7)")});
    writeQueue(playerFolder() + QStringLiteral("/downloadmanager.xml"),
               "<DownloadItem url='http://dl/a' ticket='A'/>"
               "<DownloadItem url='http://dl/b' ticket='B'/>");
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT n.name, i.play_order FROM playlist_item i JOIN node n "
                                  "USING (node_id) WHERE i.playlist_id = 5 ORDER BY "
                                  "i.playlist_item_id")),
              (std::vector<std::string>{"q1|0", "q2|7", "A|8", "B|9"}));
}

} // namespace
