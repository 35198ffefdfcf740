// Opening the library: a new file, an older release's file moved into place, later starts, a
// 1.0 library brought up to date, and start-ups that must fail without touching the file.

#include "support/PluginFixture.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

const qint64 kCurrentVersion = 65792;

class Startup : public PluginFixture {
protected:
    QStringList builtInPlaylists() {
        QStringList rows;
        QSqlQuery query(checkDatabase());
        query.exec(QStringLiteral("SELECT playlist_type, media_file_type, sort_flags, "
                                  "name IS NULL FROM playlist ORDER BY playlist_id"));
        while (query.next())
            rows << QStringLiteral("%1/%2/%3/%4")
                        .arg(query.value(0).toInt())
                        .arg(query.value(1).toInt())
                        .arg(query.value(2).toInt())
                        .arg(query.value(3).toInt());
        return rows;
    }
    void restart() {
        closeCheckDatabase();
        stopPlugin();
        startPlugin();
    }
};

TEST_F(Startup, NewLibraryGetsSchemaBuiltInPlaylistsAndVersion) {
    ASSERT_TRUE(library->isOpen());
    EXPECT_TRUE(QFile::exists(libraryPath()));
    EXPECT_EQ(builtInPlaylists(),
              QStringList({"1/0/8/1", "2/1/8/1", "3/2/8/1", "4/3/8/1", "16/0/8/1", "18/0/8/1"}));
    EXPECT_EQ(count(QStringLiteral("schema_data")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toLongLong(),
              kCurrentVersion);
}

TEST_F(Startup, SecondStartRunsNoScriptAndInsertsNothing) {
    // Were the script to run again, it would re-create this index (and then fail on the
    // columns media_file already has).
    exec(QStringLiteral("DROP INDEX playlist_item_node_id"));
    restart();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                    "'playlist_item_node_id'"))
                  .toInt(),
              0);
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
    EXPECT_EQ(scalar(QStringLiteral("SELECT max(playlist_id) FROM playlist")).toInt(), 6);
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toLongLong(),
              kCurrentVersion);
}

TEST_F(Startup, DeletedBuiltInPlaylistComesBackWithANewId) {
    exec(QStringLiteral("DELETE FROM playlist WHERE playlist_type = 16"));
    restart();
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT playlist_id FROM playlist WHERE playlist_type = 16")).toInt(),
        7);
}

TEST_F(Startup, OlderReleaseLibraryIsMovedIntoPlace) {
    exec(QStringLiteral("INSERT INTO playlist (name, playlist_type, media_file_type, sort_flags) "
                        "VALUES ('Kept', 255, 1, 2)"));
    closeCheckDatabase();
    stopPlugin();
    const QString oldPath = legacyFolder() + QStringLiteral("/Media Library");
    ASSERT_TRUE(QDir().mkpath(legacyFolder()));
    ASSERT_TRUE(QFile::rename(libraryPath(), oldPath));

    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_FALSE(QFile::exists(oldPath));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM playlist WHERE name = 'Kept'")).toInt(),
              1);
}

class StartupOnPreparedFile : public PluginFixture {
protected:
    bool startsPlugin() const override { return false; }

    // Writes a library file with the given statements on a connection of the test's own.
    void prepareLibrary(const QStringList& statements) {
        ASSERT_TRUE(QDir().mkpath(playerFolder()));
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
            db.setDatabaseName(libraryPath());
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            for (const QString& statement : statements)
                ASSERT_TRUE(query.exec(statement))
                    << statement.toStdString() << query.lastError().text().toStdString();
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    }

    QStringList mediaFileColumns() {
        QStringList columns;
        QSqlQuery query(checkDatabase());
        query.exec(QStringLiteral("PRAGMA table_info(media_file)"));
        while (query.next())
            columns << query.value(1).toString();
        return columns;
    }

    QStringList oneZeroLayout() {
        return {QStringLiteral("CREATE TABLE schema_data (version INTEGER NOT NULL DEFAULT 0)"),
                QStringLiteral("INSERT INTO schema_data VALUES (65536)"),
                QStringLiteral("CREATE TABLE node (node_id INTEGER PRIMARY KEY AUTOINCREMENT "
                               "NOT NULL, uri TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL "
                               "COLLATE NOCASE, create_date TEXT NOT NULL DEFAULT "
                               "current_timestamp, UNIQUE (uri))"),
                QStringLiteral("CREATE TABLE media_file (node_id INTEGER PRIMARY KEY NOT NULL, "
                               "media_file_type INTEGER NOT NULL, size INTEGER, title TEXT "
                               "COLLATE NOCASE)"),
                QStringLiteral("INSERT INTO node (uri, name) VALUES ('file:///m/a.avi', "
                               "'a.avi')"),
                QStringLiteral("INSERT INTO media_file VALUES (1, 1, 700, 'A')")};
    }
};

TEST_F(StartupOnPreparedFile, OneZeroLibraryIsBroughtUpToDateKeepingItsRows) {
    prepareLibrary(oneZeroLayout());
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(mediaFileColumns(),
              QStringList({"node_id", "media_file_type", "size", "title", "description",
                           "last_played", "user_rating", "play_count"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toLongLong(),
              kCurrentVersion);
    EXPECT_EQ(count(QStringLiteral("schema_data")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT title FROM media_file WHERE node_id = 1")).toString(),
              QStringLiteral("A"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT play_count FROM media_file")).toInt(), 0);
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
}

TEST_F(StartupOnPreparedFile, FailedUpgradeLeavesTheFileAsItWas) {
    // Stamped 1.0 but already carrying the 1.1 columns: adding them again fails.
    QStringList statements = oneZeroLayout();
    statements << QStringLiteral("ALTER TABLE media_file ADD COLUMN description TEXT");
    prepareLibrary(statements);
    startPlugin();
    EXPECT_FALSE(library->isOpen());
    stopPlugin();
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toLongLong(), 65536);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                    "'playlist'"))
                  .toInt(),
              0)
        << "nothing of the failed start-up may remain";
}

TEST_F(StartupOnPreparedFile, EmptyVersionTableCountsAsANewLibrary) {
    prepareLibrary({QStringLiteral("CREATE TABLE schema_data (version INTEGER NOT NULL)")});
    startPlugin();
    ASSERT_TRUE(library->isOpen());
    EXPECT_EQ(count(QStringLiteral("schema_data")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT version FROM schema_data")).toLongLong(),
              kCurrentVersion);
}

} // namespace
