// The transaction nest of the library interface: only the outermost level reaches the database,
// a rollback at any level undoes the whole nest, and a trigger that rolls back the database's
// transaction by itself does not leave the nest believing it is still open. Row objects stored
// inside a nest that is undone stop answering for the ids the rollback gave back.

#include "reliability/PluginConnection.h"
#include "support/PluginFixture.h"

#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>

namespace {

const char kPluginConnection[] = "OrvMediaManagerPluginDatabaseConnection";

class Transactions : public PluginFixture {
protected:
    // Statements on the plugin's own connection, as the library's operations run them.
    bool run(const QString& statement) {
        QSqlQuery query(QSqlDatabase::database(QLatin1String(kPluginConnection), false));
        return query.exec(statement);
    }
    bool insertPlaylist(const QString& name) {
        return run(QStringLiteral("INSERT INTO playlist (name, playlist_type) VALUES ('%1', 255)")
                       .arg(name));
    }
    // Whether SQLite has a transaction open on the plugin's connection.
    bool databaseInTransaction() {
        return sqlite3_get_autocommit(orvtest::pluginConnection()) == 0;
    }
    qint64 stored(const QString& name) {
        return scalar(QStringLiteral("SELECT count(*) FROM playlist WHERE name = '%1'").arg(name))
            .toLongLong();
    }
    // A trigger that raises ROLLBACK: a media_file row for a node that does not exist.
    bool violateForeignKey() {
        return run(
            QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (999, 1)"));
    }
};

TEST_F(Transactions, OnlyTheOutermostCommitWrites) {
    EXPECT_TRUE(library->beginTransaction());
    EXPECT_TRUE(library->beginTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("A")));
    EXPECT_TRUE(library->commitTransaction());
    EXPECT_TRUE(databaseInTransaction());
    EXPECT_EQ(stored(QStringLiteral("A")), 0) << "the inner commit wrote nothing";
    EXPECT_TRUE(library->commitTransaction());
    EXPECT_FALSE(databaseInTransaction());
    EXPECT_EQ(stored(QStringLiteral("A")), 1);
}

TEST_F(Transactions, RollbackAtAnyLevelUndoesTheWholeNest) {
    EXPECT_TRUE(library->beginTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Outer")));
    EXPECT_TRUE(library->beginTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Inner")));
    EXPECT_TRUE(library->rollbackTransaction());
    EXPECT_FALSE(databaseInTransaction());
    EXPECT_TRUE(library->commitTransaction()) << "the outer level finds the nest gone";
    EXPECT_EQ(stored(QStringLiteral("Outer")), 0);
    EXPECT_EQ(stored(QStringLiteral("Inner")), 0);
}

TEST_F(Transactions, CommitOrRollbackWithoutANestDoNothing) {
    EXPECT_TRUE(library->commitTransaction());
    EXPECT_TRUE(library->rollbackTransaction());
    EXPECT_FALSE(databaseInTransaction());
}

TEST_F(Transactions, RefusedBeginLeavesTheDepthAtZero) {
    ASSERT_TRUE(run(QStringLiteral("BEGIN"))); // the database now refuses a second BEGIN
    EXPECT_FALSE(library->beginTransaction());
    ASSERT_TRUE(run(QStringLiteral("ROLLBACK")));
    EXPECT_TRUE(library->commitTransaction()) << "depth 0: nothing to commit";
    EXPECT_TRUE(library->beginTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("A")));
    EXPECT_TRUE(library->commitTransaction());
    EXPECT_EQ(stored(QStringLiteral("A")), 1);
}

TEST_F(Transactions, TriggerRollbackEndsTheNestSoLaterWorkIsTransactionalAgain) {
    EXPECT_TRUE(library->beginTransaction()); // the host's level
    EXPECT_TRUE(library->beginTransaction()); // an operation's level
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Lost")));
    EXPECT_FALSE(violateForeignKey());
    EXPECT_FALSE(databaseInTransaction()) << "SQLite rolled back by itself";
    EXPECT_TRUE(library->rollbackTransaction()) << "the nest is undone, as asked";
    EXPECT_TRUE(library->commitTransaction()) << "the host's level finds it gone";
    EXPECT_EQ(stored(QStringLiteral("Lost")), 0);

    // The next nest really opens a transaction: its rollback undoes its rows.
    EXPECT_TRUE(library->beginTransaction());
    EXPECT_TRUE(databaseInTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Undone")));
    EXPECT_TRUE(library->rollbackTransaction());
    EXPECT_EQ(stored(QStringLiteral("Undone")), 0);
}

TEST_F(Transactions, CommitAfterATriggerRollbackReportsFailureAndResets) {
    EXPECT_TRUE(library->beginTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Lost")));
    EXPECT_FALSE(violateForeignKey());
    EXPECT_FALSE(library->commitTransaction()) << "nothing was committed";
    EXPECT_EQ(stored(QStringLiteral("Lost")), 0);

    EXPECT_TRUE(library->beginTransaction());
    EXPECT_TRUE(databaseInTransaction());
    ASSERT_TRUE(insertPlaylist(QStringLiteral("Kept")));
    EXPECT_TRUE(library->commitTransaction());
    EXPECT_EQ(stored(QStringLiteral("Kept")), 1);
}

// One object of each kind whose id comes from an insert, stored inside the host's transaction.
class RolledBackRows : public Transactions {
protected:
    typedef VireoStudio::MediaManagerInterface M;

    void storeAll() {
        ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///v/held.avi")),
                                          QStringLiteral("Held"), 10, 20, &video));
        ASSERT_TRUE(video->save());
        ASSERT_TRUE(library->newAcquiredFile(QUrl(QStringLiteral("file:///v/bought.avi")),
                                             QStringLiteral("Bought"), 7, &acquired));
        ASSERT_TRUE(acquired->save());
        ASSERT_TRUE(library->newQueuedFile(QUrl(QStringLiteral("file:///v/coming.avi")),
                                           QStringLiteral("Coming"),
                                           QUrl(QStringLiteral("http://dl/coming")), &queued));
        ASSERT_TRUE(queued->save());
        ASSERT_TRUE(library->newRecentFile(QUrl(QStringLiteral("file:///v/played.avi")), &recent));
        ASSERT_TRUE(recent->save());
        ASSERT_TRUE(library->newPlaylist(QStringLiteral("Mix"), 1, &playlist));
        ASSERT_TRUE(library->addPlaylist(playlist));
    }
    QList<M::RowInterface*> held() const { return {video, acquired, queued, recent, playlist}; }
    void TearDown() override {
        for (M::RowInterface* row : held()) {
            if (row)
                row->release();
        }
        Transactions::TearDown();
    }

    M::VideoFileInterface* video = nullptr;
    M::AcquiredFileInterface* acquired = nullptr;
    M::QueuedFileInterface* queued = nullptr;
    M::RecentFileInterface* recent = nullptr;
    M::PlaylistInterface* playlist = nullptr;
};

TEST_F(RolledBackRows, RowsStoredInAnUndoneTransactionAreNewAgainAndNeverOverwriteAnother) {
    ASSERT_TRUE(library->beginTransaction());
    ASSERT_NO_FATAL_FAILURE(storeAll());
    const quint64 videoId = video->getId();
    ASSERT_TRUE(library->rollbackTransaction());
    for (M::RowInterface* row : held()) {
        EXPECT_TRUE(row->isNew());
        EXPECT_TRUE(row->isAttached());
    }
    EXPECT_TRUE(video->isCreateDateNull());
    EXPECT_FALSE(library->getMediaFile(videoId, nullptr)) << "no object answers for the id";

    // SQLite gives the id out again; the held object, saved afterwards, becomes a row of its
    // own instead of writing over the other file.
    M::VideoFileInterface* other = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///v/other.avi")),
                                      QStringLiteral("Other"), 1, 2, &other));
    ASSERT_TRUE(other->save());
    EXPECT_EQ(other->getId(), videoId);
    other->release();
    for (M::RowInterface* row : held())
        EXPECT_TRUE(row->save());
    EXPECT_NE(video->getId(), videoId);
    EXPECT_EQ(scalar(QStringLiteral("SELECT uri FROM node WHERE node_id = %1").arg(videoId)),
              QVariant(QStringLiteral("file:///v/other.avi")));
    EXPECT_EQ(count(QStringLiteral("node")), 4);
    EXPECT_EQ(count(QStringLiteral("recent_file")), 1);
    EXPECT_EQ(count(QStringLiteral("playlist WHERE name = 'Mix'")), 1);
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->getMediaFile(video->getId(), &found));
    EXPECT_EQ(found, static_cast<M::MediaFileInterface*>(video));
    found->release();
}

TEST_F(RolledBackRows, ARollbackSQLiteMadeByItselfIsSettledAtTheCommitOrTheNextOperation) {
    ASSERT_TRUE(library->beginTransaction());
    ASSERT_NO_FATAL_FAILURE(storeAll());
    EXPECT_FALSE(violateForeignKey());
    EXPECT_FALSE(library->commitTransaction());
    for (M::RowInterface* row : held())
        EXPECT_TRUE(row->isNew());

    // Without a commit: the next operation sees the rollback first.
    ASSERT_TRUE(library->beginTransaction());
    ASSERT_TRUE(video->save());
    const quint64 videoId = video->getId();
    EXPECT_FALSE(violateForeignKey());
    EXPECT_FALSE(library->getMediaFile(videoId, nullptr));
    EXPECT_TRUE(video->isNew());
    EXPECT_TRUE(library->rollbackTransaction());
}

TEST_F(RolledBackRows, ACommitKeepsTheRowsAndDeletedRowsStayDetached) {
    ASSERT_TRUE(library->beginTransaction());
    ASSERT_NO_FATAL_FAILURE(storeAll());
    ASSERT_TRUE(library->commitTransaction());
    for (M::RowInterface* row : held())
        EXPECT_FALSE(row->isNew());
    const quint64 videoId = video->getId();

    // A delete that is undone: the row is back in the file, the held object stays detached and
    // a fresh look-up gives a new one.
    ASSERT_TRUE(library->beginTransaction());
    ASSERT_TRUE(library->deleteVideoFile(videoId));
    ASSERT_TRUE(library->rollbackTransaction());
    EXPECT_FALSE(video->isAttached());
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->getMediaFile(videoId, &found));
    EXPECT_NE(found, static_cast<M::MediaFileInterface*>(video));
    EXPECT_EQ(found->getTitle(), QStringLiteral("Held"));
    found->release();
}

} // namespace
