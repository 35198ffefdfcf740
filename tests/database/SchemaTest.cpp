// The library schema as a new library has it: exactly its tables, indexes and triggers, and
// the triggers that stand in for foreign keys, cascades and time stamps.

#include "support/PluginFixture.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <cstdlib>
#include <ctime>

namespace {

class Schema : public PluginFixture {
protected:
    QStringList objects(const QString& type) {
        QStringList names;
        QSqlQuery query(checkDatabase());
        query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = '%1' AND name NOT "
                                  "LIKE 'sqlite_%' ORDER BY name")
                       .arg(type));
        while (query.next())
            names << query.value(0).toString();
        return names;
    }
    // The error text of a statement that must fail.
    QString failure(const QString& statement) {
        QSqlQuery query(checkDatabase());
        if (query.exec(statement))
            return QString();
        return query.lastError().databaseText();
    }
    void addNode(int id, const QString& uri) {
        exec(QStringLiteral("INSERT INTO node (node_id, uri, name) VALUES (%1, '%2', 'n')")
                 .arg(id)
                 .arg(uri));
    }
};

TEST_F(Schema, HoldsExactlyItsTablesIndexesAndTriggers) {
    EXPECT_EQ(objects(QStringLiteral("table")),
              QStringList({"acquired_file", "media_file", "node", "playlist", "playlist_item",
                           "queued_file", "recent_file", "recent_file_position", "schema_data",
                           "video_file"}));
    EXPECT_EQ(objects(QStringLiteral("index")),
              QStringList({"playlist_item_node_id", "playlist_item_playlist_id",
                           "playlist_item_playlist_id_play_order",
                           "recent_file_position_recent_file_id"}));
    EXPECT_EQ(objects(QStringLiteral("trigger")),
              QStringList({"acquired_file_insert_fkc", "media_file_fkc", "on_acquired_file_delete",
                           "on_node_delete", "on_playlist_delete", "playlist_item_fkc",
                           "queued_file_insert_fkc", "recent_file_delete",
                           "recent_file_insert_timestamp", "recent_file_position_fkc",
                           "recent_file_update_timestamp", "video_file_fkc"}));
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA auto_vacuum")).toInt(), 1) << "full";
}

TEST_F(Schema, DetailRowsNeedTheirNodeAndPlaylist) {
    addNode(1, QStringLiteral("file:///a"));
    exec(QStringLiteral("INSERT INTO recent_file (uri) VALUES ('file:///r')"));
    const struct {
        const char* statement;
        const char* message;
    } cases[] = {
        {"INSERT INTO media_file (node_id, media_file_type) VALUES (9, 1)",
         "media_file_fkc violation"},
        {"INSERT INTO video_file (node_id) VALUES (9)", "video_file_fkc violation"},
        {"INSERT INTO acquired_file (node_id) VALUES (9)", "acquired_file_fkc violation"},
        {"INSERT INTO queued_file (node_id, download_url, download_status) VALUES (9, 'u', 1)",
         "queued_file_node_fkc violation"},
        {"INSERT INTO recent_file_position (recent_file_id, title_id) VALUES (9, 1)",
         "recent_file_position_fkc violation"},
        {"INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (1, 9, 0)",
         "playlist_item_node_fkc violation"},
        {"INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (99, 1, 0)",
         "playlist_item_node_fkc violation"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failure(QLatin1String(c.statement)), QLatin1String(c.message)) << c.statement;
    EXPECT_EQ(failure(QStringLiteral(
                  "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (1, 1, 0)")),
              QString());
}

TEST_F(Schema, DeletingANodeTakesItsDetailsAndItemsButKeepsItsRecentEntry) {
    addNode(1, QStringLiteral("file:///a"));
    addNode(2, QStringLiteral("file:///b"));
    for (int id : {1, 2}) {
        exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 1)")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO video_file (node_id) VALUES (%1)").arg(id));
        exec(QStringLiteral("INSERT INTO acquired_file (node_id) VALUES (%1)").arg(id));
        exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                            "VALUES (%1, 'u', 1)")
                 .arg(id));
        exec(QStringLiteral(
                 "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (2, %1, 0)")
                 .arg(id));
    }
    exec(QStringLiteral("INSERT INTO recent_file (uri, node_id) VALUES ('file:///a', 1)"));
    exec(QStringLiteral("DELETE FROM node WHERE node_id = 1"));
    for (const char* table :
         {"media_file", "video_file", "acquired_file", "queued_file", "playlist_item"})
        EXPECT_EQ(count(QLatin1String(table)), 1) << table << ": only node 2's row stays";
    EXPECT_EQ(count(QStringLiteral("recent_file")), 1);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT node_id FROM recent_file")).isNull());

    exec(QStringLiteral("DELETE FROM acquired_file WHERE node_id = 2"));
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0);
    EXPECT_EQ(count(QStringLiteral("media_file")), 1);
    EXPECT_EQ(count(QStringLiteral("video_file")), 1);
}

TEST_F(Schema, DeletingAPlaylistOrRecentFileTakesItsRows) {
    addNode(1, QStringLiteral("file:///a"));
    exec(QStringLiteral("INSERT INTO playlist (playlist_id, name, playlist_type) VALUES (50, 'P', "
                        "255)"));
    exec(QStringLiteral(
        "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (50, 1, 0)"));
    exec(QStringLiteral(
        "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (2, 1, 0)"));
    exec(QStringLiteral("DELETE FROM playlist WHERE playlist_id = 50"));
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 1);

    exec(QStringLiteral("INSERT INTO recent_file (recent_file_id, uri) VALUES (5, 'file:///r')"));
    exec(QStringLiteral(
        "INSERT INTO recent_file_position (recent_file_id, title_id) VALUES (5, 2)"));
    exec(QStringLiteral("DELETE FROM recent_file WHERE recent_file_id = 5"));
    EXPECT_EQ(count(QStringLiteral("recent_file_position")), 0);
}

TEST_F(Schema, UrisAndPlaylistNamesAreUniqueWithoutRegardToCase) {
    addNode(1, QStringLiteral("file:///Movies/A.avi"));
    EXPECT_FALSE(failure(QStringLiteral("INSERT INTO node (uri, name) VALUES "
                                        "('FILE:///movies/a.AVI', 'x')"))
                     .isEmpty());
    exec(QStringLiteral("INSERT INTO recent_file (uri) VALUES ('file:///x')"));
    EXPECT_FALSE(
        failure(QStringLiteral("INSERT INTO recent_file (uri) VALUES ('FILE:///X')")).isEmpty());
    exec(QStringLiteral("INSERT INTO playlist (name, playlist_type) VALUES ('Rock', 255)"));
    EXPECT_FALSE(
        failure(QStringLiteral("INSERT INTO playlist (name, playlist_type) VALUES ('ROCK', 255)"))
            .isEmpty());
    EXPECT_EQ(count(QStringLiteral("playlist")), 7) << "the six NULL names do not collide";
}

// Stamps are UTC even on a machine whose local time is not.
class RecentFileStamps : public Schema {
protected:
    void SetUp() override {
        setenv("TZ", "America/New_York", 1);
        tzset();
        Schema::SetUp();
    }
    void TearDown() override {
        Schema::TearDown();
        unsetenv("TZ");
        tzset();
    }
    QDateTime stamp() {
        const QString text =
            scalar(QStringLiteral("SELECT last_change FROM recent_file")).toString();
        QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        when.setTimeSpec(Qt::UTC);
        return when;
    }
};

TEST_F(RecentFileStamps, InsertAndPositionUpdatesStampTheRowInUtc) {
    exec(QStringLiteral("INSERT INTO recent_file (uri) VALUES ('file:///r')"));
    const QDateTime inserted = stamp();
    ASSERT_TRUE(inserted.isValid());
    EXPECT_LE(qAbs(inserted.secsTo(QDateTime::currentDateTimeUtc())), 60);

    exec(QStringLiteral("UPDATE recent_file SET last_change = '2000-01-01 00:00:00.000'"));
    exec(QStringLiteral("UPDATE recent_file SET audio_track_id = 3, subtitle_track_id = 4, "
                        "uri = 'file:///s', node_id = 8"));
    EXPECT_EQ(stamp().date().year(), 2000) << "other columns leave the stamp alone";
    exec(QStringLiteral("UPDATE recent_file SET title_id = 1"));
    EXPECT_LE(qAbs(stamp().secsTo(QDateTime::currentDateTimeUtc())), 60);
    exec(QStringLiteral("UPDATE recent_file SET last_change = '2000-01-01 00:00:00.000'"));
    exec(QStringLiteral("UPDATE recent_file SET position_msecs = 1000"));
    EXPECT_LE(qAbs(stamp().secsTo(QDateTime::currentDateTimeUtc())), 60);
}

} // namespace
