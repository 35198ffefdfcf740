// Items of a playlist and their order: insertion and moves on system and user playlists,
// removal without renumbering, counts, renaming.

#include "support/PluginFixture.h"

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef M::PlaylistInterface PlaylistInterface;

class PlaylistItems : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        for (const char* name : {"a", "b", "c", "d", "x"})
            nodes.insert(QLatin1String(name),
                         insertNode(QStringLiteral("file:///movies/%1.avi").arg(name)));
    }
    void TearDown() override {
        for (PlaylistInterface* playlist : held)
            playlist->release();
        PluginFixture::TearDown();
    }
    PlaylistInterface* systemPlaylist(int type) {
        PlaylistInterface* playlist = nullptr;
        EXPECT_TRUE(library->getPlaylistAt(type, 0, &playlist));
        held << playlist;
        return playlist;
    }
    PlaylistInterface* userPlaylist(const QString& name = QStringLiteral("Mix")) {
        PlaylistInterface* playlist = nullptr;
        EXPECT_TRUE(library->newPlaylist(name, 1, &playlist));
        EXPECT_TRUE(playlist->save());
        held << playlist;
        return playlist;
    }
    void fill(PlaylistInterface* playlist, const QString& names) {
        for (const QChar& name : names)
            ASSERT_TRUE(playlist->insertNodeAt(quint64(-1), nodes.value(QString(name))));
    }
    // The playlist's items as their node names, in play order.
    QString order(PlaylistInterface* playlist) { return order(playlist->getId()); }
    QString order(quint64 playlistId) {
        QString names;
        for (quint64 node : itemNodes(playlistId))
            names += nodes.key(node);
        return names;
    }
    QList<qint64> orders(PlaylistInterface* playlist) { return itemOrders(playlist->getId()); }

    QHash<QString, quint64> nodes;
    QList<PlaylistInterface*> held;
};

TEST_F(PlaylistItems, InsertingIntoAnEmptyPlaylistGivesOrderZeroWhateverThePosition) {
    PlaylistInterface* playlist = userPlaylist();
    ASSERT_TRUE(playlist->insertNodeAt(7, nodes.value("a")));
    EXPECT_EQ(order(playlist), QStringLiteral("a"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0}));
}

TEST_F(PlaylistItems, InsertingInTheMiddleRenumbersEveryItem) {
    PlaylistInterface* playlist = userPlaylist();
    fill(playlist, QStringLiteral("abc"));
    ASSERT_TRUE(playlist->insertNodeAt(1, nodes.value("x")));
    EXPECT_EQ(order(playlist), QStringLiteral("axbc"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0, 1, 2, 3}));
}

TEST_F(PlaylistItems, SystemPlaylistMovesANodeItAlreadyHolds) {
    PlaylistInterface* playlist = systemPlaylist(2);
    fill(playlist, QStringLiteral("abcd"));
    ASSERT_TRUE(playlist->insertNodeAt(0, nodes.value("c")));
    EXPECT_EQ(order(playlist), QStringLiteral("cabd"));
    ASSERT_TRUE(playlist->insertNodeAt(3, nodes.value("c")));
    EXPECT_EQ(order(playlist), QStringLiteral("abcd"));

    ASSERT_TRUE(playlist->insertNodeAt(3, nodes.value("a")));
    EXPECT_EQ(order(playlist), QStringLiteral("bcad"));
    ASSERT_TRUE(playlist->insertNodeAt(0, nodes.value("a")));
    ASSERT_TRUE(playlist->insertNodeAt(9, nodes.value("a")));
    EXPECT_EQ(order(playlist), QStringLiteral("bcda"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0, 1, 2, 3}));
    EXPECT_EQ(playlist->getItemCount(), 4) << "no row was added";
}

TEST_F(PlaylistItems, UserPlaylistHoldsANodeMoreThanOnce) {
    PlaylistInterface* playlist = userPlaylist();
    fill(playlist, QStringLiteral("abcd"));
    ASSERT_TRUE(playlist->insertNodeAt(0, nodes.value("c")));
    EXPECT_EQ(order(playlist), QStringLiteral("cabcd"));
    EXPECT_EQ(playlist->getItemCount(), 5);
}

TEST_F(PlaylistItems, RemovalLeavesAGapUntilTheNextInsertion) {
    PlaylistInterface* playlist = userPlaylist();
    fill(playlist, QStringLiteral("abc"));
    ASSERT_TRUE(playlist->removeAt(1));
    EXPECT_EQ(order(playlist), QStringLiteral("ac"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0, 2}));
    EXPECT_FALSE(playlist->removeAt(2));
    ASSERT_TRUE(playlist->insertNodeAt(1, nodes.value("x")));
    EXPECT_EQ(order(playlist), QStringLiteral("axc"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0, 1, 2}));
    EXPECT_TRUE(messages.isEmpty()) << "removing by position publishes nothing";
}

TEST_F(PlaylistItems, RemovingANodeFromAUserPlaylistTakesEveryOccurrence) {
    PlaylistInterface* playlist = userPlaylist();
    fill(playlist, QStringLiteral("abab"));
    ASSERT_TRUE(playlist->removeNode(nodes.value("a")));
    EXPECT_EQ(order(playlist), QStringLiteral("bb"));
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")),
              QList<quint64>({nodes.value("a"), nodes.value("a")}));
    EXPECT_FALSE(playlist->containsNode(nodes.value("a")));
    EXPECT_TRUE(playlist->containsNode(nodes.value("b")));
}

TEST_F(PlaylistItems, BuiltInPlaylistsRefuseRemovalByNodeButNotByPosition) {
    for (int type : {1, 2, 18}) {
        PlaylistInterface* playlist = systemPlaylist(type);
        fill(playlist, QStringLiteral("ab"));
        EXPECT_FALSE(playlist->removeNode(nodes.value("a"))) << type;
        EXPECT_EQ(order(playlist), QStringLiteral("ab")) << type;
        EXPECT_TRUE(playlist->removeAt(0)) << type;
        EXPECT_EQ(order(playlist), QStringLiteral("b")) << type;
    }
}

TEST_F(PlaylistItems, CountIsReadAgainAfterAChange) {
    PlaylistInterface* fresh = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("New"), 1, &fresh));
    EXPECT_EQ(fresh->getItemCount(), 0);
    EXPECT_FALSE(fresh->insertNodeAt(0, nodes.value("a"))) << "an unstored playlist has no items";
    fresh->release();

    PlaylistInterface* playlist = userPlaylist();
    EXPECT_EQ(playlist->getItemCount(), 0);
    fill(playlist, QStringLiteral("ab"));
    EXPECT_EQ(playlist->getItemCount(), 2);
    ASSERT_TRUE(playlist->removeAt(0));
    EXPECT_EQ(playlist->getItemCount(), 1);
}

TEST_F(PlaylistItems, InsertingAMissingNodeFailsAndChangesNothing) {
    PlaylistInterface* playlist = userPlaylist();
    fill(playlist, QStringLiteral("ab"));
    EXPECT_FALSE(playlist->insertNodeAt(0, 9999));
    EXPECT_EQ(order(playlist), QStringLiteral("ab"));
    EXPECT_EQ(orders(playlist), QList<qint64>({0, 1}));
    // The failed insertion left no transaction open behind it.
    ASSERT_TRUE(playlist->insertNodeAt(0, nodes.value("x")));
    const quint64 id = playlist->getId();
    for (PlaylistInterface* row : held)
        row->release();
    held.clear();
    closeCheckDatabase();
    stopPlugin();
    startPlugin();
    EXPECT_EQ(order(id), QStringLiteral("xab"));
}

TEST_F(PlaylistItems, RenamingFollowsTheNameRules) {
    EXPECT_FALSE(systemPlaylist(2)->setName(QStringLiteral("Videos")));
    PlaylistInterface* mix = userPlaylist(QStringLiteral("mix"));
    userPlaylist(QStringLiteral("Rock"));
    EXPECT_TRUE(mix->setName(QStringLiteral("Mix")));
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT name FROM playlist WHERE playlist_id = %1").arg(mix->getId()))
            .toString(),
        QStringLiteral("Mix"));
    EXPECT_FALSE(mix->setName(QStringLiteral("ROCK")));
    EXPECT_EQ(mix->getName(), QStringLiteral("Mix"));

    PlaylistInterface* fresh = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Draft"), 1, &fresh));
    EXPECT_TRUE(fresh->setName(QStringLiteral("Final")));
    EXPECT_EQ(fresh->getName(), QStringLiteral("Final"));
    EXPECT_FALSE(fresh->setName(QStringLiteral("rock")));
    EXPECT_EQ(count(QStringLiteral("playlist")), 8) << "a new playlist renames in memory only";
    fresh->release();
}

} // namespace
