// The first start-up of a new library takes over an older release's library database.
// (Suite names begin with "migration" so that "ctest -R migration" selects them.)

#include "LegacyFixture.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

using Rows = std::vector<std::string>;

class LegacyLibraryImport : public LegacyFixture {
protected:
    QByteArray legacyFileHash() {
        QFile file(legacyDatabasePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    // The items of the playlists of one type as "node uri:play_order", in play order.
    Rows items(int playlistType) {
        return rows(QStringLiteral("SELECT n.uri || ':' || i.play_order FROM playlist_item i "
                                   "JOIN playlist p USING (playlist_id) JOIN node n USING "
                                   "(node_id) WHERE p.playlist_type = %1 ORDER BY i.play_order")
                        .arg(playlistType));
    }
};

TEST_F(LegacyLibraryImport, CopiesFilesThatHaveEveryPropertyAndSkipsTheRest) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.set(1, kRes, QStringLiteral("file:///C:/Videos/my%20clip.avi"));
        legacy.set(1, kAdded, QStringLiteral("2009-05-06T07:08:09"));
        legacy.set(1, kTitle, QStringLiteral("My Clip"));
        legacy.set(1, kSize, qint64(123456789012));
        legacy.set(1, kDuration, 5400000);
        legacy.addFile(2, QStringLiteral("clip.avi"), QStringLiteral("last Tuesday"));
        legacy.addFile(3, QStringLiteral("vireo_vod_file://ABC/123"));
        // Objects lacking one of the five properties are not files of the library.
        legacy.set(4, kRes, QStringLiteral("file:///no/duration.avi"));
        legacy.set(4, kAdded, QStringLiteral("2009-05-06"));
        legacy.set(4, kTitle, QStringLiteral("No duration"));
        legacy.set(4, kSize, 1);
        legacy.set(5, kRes, QStringLiteral("file:///no/title.avi"));
        legacy.set(5, kAdded, QStringLiteral("2009-05-06"));
        legacy.set(5, kSize, 1);
        legacy.set(5, kDuration, 1);
    }
    const QByteArray before = legacyFileHash();
    startPlugin();
    ASSERT_TRUE(library->isOpen());

    EXPECT_EQ(rows(QStringLiteral("SELECT n.uri, n.name, n.create_date, m.media_file_type, "
                                  "m.size, m.title, m.play_count, v.duration FROM node n "
                                  "JOIN media_file m USING (node_id) JOIN video_file v "
                                  "USING (node_id) ORDER BY n.uri")),
              (Rows{"clip.avi|clip.avi|last Tuesday|1|2000|Title 2|0|120",
                    "file:///C:/Videos/my%20clip.avi|my clip.avi|2009-05-06 07:08:09|1|"
                    "123456789012|My Clip|0|5400000",
                    "vireo_vod_file://ABC/123|123|2009-05-06 07:08:09|1|3000|Title 3|0|180"}));
    EXPECT_EQ(count(QStringLiteral("node")), 3);
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toInt(), 65792);
    EXPECT_TRUE(legacyConnectionRemoved());
    EXPECT_EQ(legacyFileHash(), before);
}

TEST_F(LegacyLibraryImport, NamesEachNodeByTheLastSegmentOfItsPathAsAUrlReadsIt) {
    // Plain file URIs are named from their text; anything with escapes, a query, a fragment or
    // another scheme spelling goes through the URL parser. Both must agree.
    const QStringList uris = {
        QStringLiteral("file:///C:/Videos/plain.clip.avi"),
        QStringLiteral("file:///v/../x~y_z-1.avi"),
        QStringLiteral("file:///v/dir/"),
        QStringLiteral("file:///v/%41b.avi"),
        QStringLiteral("file:///v/a.avi?part/2"),
        QStringLiteral("file:///v/b.avi#at/10"),
        QStringLiteral("FILE:///V/Upper.avi"),
        QStringLiteral("file://host/share/c.avi"),
    };
    {
        LegacyDatabase legacy(legacyDatabasePath());
        for (int i = 0; i < uris.size(); ++i)
            legacy.addFile(i + 1, uris.at(i));
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT name FROM node ORDER BY node_id")),
              (Rows{"plain.clip.avi", "x~y_z-1.avi", "", "Ab.avi", "a.avi", "b.avi", "Upper.avi",
                    "c.avi"}));
}

TEST_F(LegacyLibraryImport, StoresAddDatesAsUtcInTheLibraryFormWhenTheyParse) {
    const QList<QPair<QVariant, QString>> dates = {
        {QStringLiteral("2009-05-06 07:08:09"), QStringLiteral("2009-05-06 07:08:09")},
        {QStringLiteral("2009-05-06T07:08:09.789Z"), QStringLiteral("2009-05-06 07:08:09")},
        {QStringLiteral("2009-05-06T09:08:09+02:00"), QStringLiteral("2009-05-06 07:08:09")},
        {QStringLiteral("2009-05-05T23:08+0800"), QStringLiteral("2009-05-05 15:08:00")},
        {QStringLiteral(" 2009-05-06 "), QStringLiteral("2009-05-06 00:00:00")},
        {QStringLiteral("2009-02-30T07:08:09"), QStringLiteral("2009-02-30T07:08:09")},
        {QStringLiteral("2009-05-06T07:08:09+25:00"), QStringLiteral("2009-05-06T07:08:09+25:00")},
        {QStringLiteral("6 May 2009"), QStringLiteral("6 May 2009")},
        {qint64(1241593689), QStringLiteral("1241593689")},
    };
    {
        LegacyDatabase legacy(legacyDatabasePath());
        for (int i = 0; i < dates.size(); ++i)
            legacy.addFile(i + 1, QStringLiteral("file:///d/%1.avi").arg(i + 1), dates[i].first);
        // A file whose add date is NULL counts as added now, as a new node would.
        legacy.addFile(99, QStringLiteral("file:///d/null.avi"),
                       QVariant(QMetaType::fromType<QString>()));
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    for (int i = 0; i < dates.size(); ++i)
        EXPECT_EQ(
            scalar(QStringLiteral("SELECT create_date FROM node WHERE uri = 'file:///d/%1.avi'")
                       .arg(i + 1))
                .toString(),
            dates[i].second)
            << "stored " << dates[i].first.toString().toStdString();
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT abs(strftime('%s', create_date) - strftime('%s', 'now')) "
                              "< 300 FROM node WHERE uri = 'file:///d/null.avi'"))
            .toInt(),
        1);
}

TEST_F(LegacyLibraryImport, AddsMembershipsToUserPlaylistsMergingTitlesThatDifferInCase) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
        legacy.addFile(2, QStringLiteral("file:///v/b.avi"));
        legacy.addPlaylist(100, QStringLiteral("Holidays"));
        legacy.addMember(100, 1);
        legacy.addMember(100, 1);
        legacy.addPlaylist(101, QStringLiteral("Favourites"));
        legacy.addPlaylist(102, QStringLiteral("FAVOURITES"));
        legacy.addMember(101, 1);
        legacy.addMember(102, 2);
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT lower(name), playlist_type, media_file_type, sort_flags "
                                  "FROM playlist WHERE name IS NOT NULL ORDER BY lower(name)")),
              (Rows{"favourites|255|1|2", "holidays|255|1|2"}));
    EXPECT_EQ(rows(QStringLiteral("SELECT n.uri || ':' || i.play_order FROM playlist_item i JOIN "
                                  "node n USING (node_id) JOIN playlist p USING (playlist_id) "
                                  "WHERE p.name = 'Holidays' ORDER BY i.play_order")),
              (Rows{"file:///v/a.avi:0", "file:///v/a.avi:1"}));
    // The order of two legacy playlists is not fixed; both feed the one playlist.
    EXPECT_EQ(rows(QStringLiteral("SELECT group_concat(play_order), count(DISTINCT node_id) FROM "
                                  "(SELECT i.play_order, i.node_id FROM playlist_item i JOIN "
                                  "playlist p USING (playlist_id) WHERE p.name = 'favourites' "
                                  "ORDER BY i.play_order)")),
              (Rows{"0,1|2"}));
}

TEST_F(LegacyLibraryImport, AllVideosJoinsTheBuiltInVideoPlaylistsAfterTheirItems) {
    // A library file whose start-up never got as far as an import, with one item in each of the
    // built-in playlists of types 1 and 2.
    writeEarlierLibrary(
        0, {QStringLiteral("CREATE TABLE node (node_id INTEGER PRIMARY KEY AUTOINCREMENT NOT "
                           "NULL, uri TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE "
                           "NOCASE, create_date TEXT NOT NULL DEFAULT current_timestamp, "
                           "UNIQUE (uri))"),
            QStringLiteral("INSERT INTO node (uri, name) VALUES ('file:///old.avi', 'old.avi')"),
            QStringLiteral("CREATE TABLE playlist (playlist_id INTEGER PRIMARY KEY "
                           "AUTOINCREMENT NOT NULL, name TEXT COLLATE NOCASE, playlist_type "
                           "INTEGER, media_file_type INTEGER, sort_flags INTEGER, UNIQUE (name))"),
            QStringLiteral("INSERT INTO playlist (playlist_type, media_file_type, sort_flags) "
                           "VALUES (1, 0, 8), (2, 1, 8)"),
            QStringLiteral("CREATE TABLE playlist_item (playlist_item_id INTEGER PRIMARY KEY "
                           "AUTOINCREMENT NOT NULL, playlist_id INTEGER NOT NULL, node_id "
                           "INTEGER NOT NULL, play_order INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                           "VALUES (1, 1, 0), (2, 1, 0)")});
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
        legacy.addFile(2, QStringLiteral("file:///v/b.avi"));
        legacy.addPlaylist(100, QStringLiteral("All Videos"));
        legacy.addMember(100, 1);
        // Only the exact title means every video; another spelling is a user playlist.
        legacy.addPlaylist(101, QStringLiteral("all videos"));
        legacy.addMember(101, 2);
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    for (int type : {1, 2})
        EXPECT_EQ(items(type), (Rows{"file:///old.avi:0", "file:///v/a.avi:1"})) << type;
    EXPECT_EQ(items(255), (Rows{"file:///v/b.avi:0"}));
    EXPECT_EQ(count(QStringLiteral("playlist WHERE playlist_type IN (1, 2)")), 2);
}

// The old player's file system ignored letter case: one file listed twice is imported once,
// the first listing wins, and the memberships of both go to it, never twice to one playlist.
TEST_F(LegacyLibraryImport, AFileListedTwiceInAnotherCaseIsImportedOnce) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///C:/Movies/a.avi"));
        legacy.addFile(2, QStringLiteral("file:///c:/movies/A.AVI"));
        legacy.addFile(3, QStringLiteral("file:///C:/Movies/b.avi"));
        legacy.addPlaylist(100, QStringLiteral("All Videos"));
        legacy.addPlaylist(101, QStringLiteral("Trips"));
        for (int file : {2, 1, 3})
            legacy.addMember(100, file);
        legacy.addMember(101, 3);
        legacy.addMember(101, 2);
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT uri, m.title FROM node JOIN media_file m USING "
                                  "(node_id) ORDER BY node_id")),
              (Rows{"file:///C:/Movies/a.avi|Title 1", "file:///C:/Movies/b.avi|Title 3"}));
    // Each playlist holds both files once, in orders 0 and 1 (the old database does not fix
    // the order in which it lists memberships).
    for (int type : {1, 2, 255})
        EXPECT_EQ(rows(QStringLiteral("SELECT count(*), count(DISTINCT node_id), min(play_order), "
                                      "max(play_order) FROM playlist_item JOIN playlist USING "
                                      "(playlist_id) WHERE playlist_type = %1")
                           .arg(type)),
                  (Rows{"2|2|0|1"}))
            << type;
    EXPECT_EQ(published(QStringLiteral("Media.Import.Skipped")), (QList<quint64>{1}));
}

TEST_F(LegacyLibraryImport, RunsOnlyOnce) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
    }
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    stopPlugin();
    {
        LegacyDatabase legacy(legacyDatabasePath() + QStringLiteral(".new"));
        legacy.addFile(2, QStringLiteral("file:///v/b.avi"));
    }
    QFile::remove(legacyDatabasePath());
    QFile::rename(legacyDatabasePath() + QStringLiteral(".new"), legacyDatabasePath());
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(rows(QStringLiteral("SELECT uri FROM node")), (Rows{"file:///v/a.avi"}));
}

// Each failure leaves the library closed with nothing written, and the legacy connection gone.
enum class Broken { MemberNotImported, EmptyPlaylistTitle, NotADatabase, NoTables };

class LegacyLibraryImportFailure : public LegacyLibraryImport,
                                   public ::testing::WithParamInterface<Broken> {};

TEST_P(LegacyLibraryImportFailure, LeavesTheLibraryClosedAndEmpty) {
    if (GetParam() == Broken::NotADatabase) {
        writeFile(legacyDatabasePath(), QByteArray(4096, '\x5a'));
    } else {
        LegacyDatabase legacy(legacyDatabasePath());
        legacy.addFile(1, QStringLiteral("file:///v/a.avi"));
        legacy.addPlaylist(100, QStringLiteral("Mine"));
        switch (GetParam()) {
        case Broken::MemberNotImported: // no duration: not imported, yet a member
            legacy.set(2, kRes, QStringLiteral("file:///v/b.avi"));
            legacy.addMember(100, 2);
            break;
        case Broken::EmptyPlaylistTitle:
            legacy.addPlaylist(101, QString(""));
            legacy.addMember(101, 1);
            break;
        default:
            legacy.exec(QStringLiteral("DROP TABLE pindex"));
        }
    }
    startPlugin();
    EXPECT_FALSE(library->isOpen());
    EXPECT_TRUE(libraryHasNoTables());
    EXPECT_TRUE(legacyConnectionRemoved());
}

std::string caseName(const ::testing::TestParamInfo<Broken>& info) {
    static const char* const names[] = {"MemberNotImported", "EmptyPlaylistTitle", "NotADatabase",
                                        "NoTables"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Cases, LegacyLibraryImportFailure,
                         ::testing::Values(Broken::MemberNotImported, Broken::EmptyPlaylistTitle,
                                           Broken::NotADatabase, Broken::NoTables),
                         caseName);

} // namespace
