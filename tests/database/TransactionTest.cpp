// The transaction nest of the library interface: only the outermost level reaches the database,
// a rollback at any level undoes the whole nest, and a trigger that rolls back the database's
// transaction by itself does not leave the nest believing it is still open.

#include "reliability/PluginConnection.h"
#include "support/PluginFixture.h"

#include <QSqlQuery>

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

} // namespace
