// Insertions into a list whose play orders are known to run 0 .. n - 1 move only the items
// behind the place; whichever way an insertion goes, the items end up in the order, and with
// the play orders, that renumbering the whole list gives. Walking a list by position reads
// items ahead and still sees every change.

#include "reliability/PluginConnection.h"
#include "support/PluginFixture.h"

#include <QUrl>

#include <sqlite3.h>

#include <iterator>

namespace {

typedef VireoStudio::MediaManagerInterface M;

class ItemOrder : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        for (int i = 0; i < kNodes; ++i)
            nodes << insertNode(QStringLiteral("file:///movies/%1.avi").arg(i));
    }
    void TearDown() override {
        for (M::PlaylistInterface* playlist : held)
            playlist->release();
        stopCounting();
        PluginFixture::TearDown();
    }
    M::PlaylistInterface* playlist(int type) {
        M::PlaylistInterface* found = nullptr;
        if (type == M::PLAYLIST_TYPE_USER) {
            EXPECT_TRUE(library->newPlaylist(QStringLiteral("Mix"), 1, &found));
            EXPECT_TRUE(found->save());
        } else {
            EXPECT_TRUE(library->getPlaylistAt(type, 0, &found));
        }
        held << found;
        return found;
    }
    // Inserts as the model says it goes: in front of the item at the position, last from the
    // end on; a system playlist moves a node it holds instead of adding it again.
    void insert(M::PlaylistInterface* into, quint64 position, quint64 node) {
        const qsizetype at = position < quint64(model.size()) ? qsizetype(position) : model.size();
        if (into->getPlaylistType() != M::PLAYLIST_TYPE_USER && model.contains(node)) {
            const qsizetype from = model.indexOf(node);
            model.insert(at, node);
            model.removeAt(from >= at ? from + 1 : from);
        } else {
            model.insert(at, node);
        }
        ASSERT_TRUE(into->insertNodeAt(position, node));
    }
    // The stored list matches the model, with the play orders 0 .. n - 1.
    void expectModel(M::PlaylistInterface* list) {
        EXPECT_EQ(itemNodes(list->getId()), model);
        QList<qint64> orders;
        for (qsizetype i = 0; i < model.size(); ++i)
            orders << qint64(i);
        EXPECT_EQ(itemOrders(list->getId()), orders);
    }

    // Rows of playlist_item the plugin's own connection inserts and updates from now on.
    void countWrites() {
        connection = orvtest::pluginConnection();
        inserted = updated = 0;
        sqlite3_update_hook(connection, &ItemOrder::written, this);
    }
    void stopCounting() {
        if (connection)
            sqlite3_update_hook(connection, nullptr, nullptr);
        connection = nullptr;
    }
    static void written(void* self, int operation, const char*, const char* table, sqlite3_int64) {
        auto* test = static_cast<ItemOrder*>(self);
        if (qstrcmp(table, "playlist_item") != 0)
            return;
        if (operation == SQLITE_INSERT)
            ++test->inserted;
        else if (operation == SQLITE_UPDATE)
            ++test->updated;
    }

    static const int kNodes = 12;
    QList<quint64> nodes;
    QList<quint64> model;
    QList<M::PlaylistInterface*> held;
    sqlite3* connection = nullptr;
    int inserted = 0;
    int updated = 0;
};

TEST_F(ItemOrder, InsertionsAnywhereKeepTheListInOrder) {
    M::PlaylistInterface* mix = playlist(M::PLAYLIST_TYPE_USER);
    const quint64 positions[] = {0, 0, 7, 1, 2, 99, 3, 0, 5, 4, 8, 2, 1, 6};
    for (qsizetype i = 0; i < qsizetype(std::size(positions)); ++i) {
        SCOPED_TRACE(testing::Message() << "insertion " << i << " at " << positions[i]);
        insert(mix, positions[i], nodes.at(i % 5)); // user playlists hold a node many times
        expectModel(mix);
    }
    EXPECT_EQ(mix->getItemCount(), qint64(model.size()));
}

TEST_F(ItemOrder, SystemPlaylistsMoveTheNodesTheyHold) {
    M::PlaylistInterface* all = playlist(1);
    for (int i = 0; i < 6; ++i)
        insert(all, quint64(-1), nodes.at(i));
    const struct {
        quint64 position;
        int node;
    } moves[] = {{0, 5}, {5, 5}, {2, 0}, {9, 3}, {3, 3}, {1, 7}, {6, 1}, {0, 1}};
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << "node " << move.node << " to " << move.position);
        insert(all, move.position, nodes.at(move.node));
        expectModel(all);
    }
}

TEST_F(ItemOrder, OnlyTheItemsThatMoveAreWritten) {
    M::PlaylistInterface* mix = playlist(M::PLAYLIST_TYPE_USER);
    for (int i = 0; i < 10; ++i)
        insert(mix, quint64(i), nodes.at(i));
    countWrites();
    insert(mix, 4, nodes.at(10));
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(updated, 6) << "the items at 4 .. 9 move one place on";
    countWrites();
    insert(mix, quint64(-1), nodes.at(11));
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(updated, 0) << "nothing moves for the last place";
    expectModel(mix);

    // A new plugin knows nothing of the orders: it reads the whole list, and still writes
    // nothing but the new item when the orders already run 0 .. n - 1.
    for (M::PlaylistInterface* playlist : held)
        playlist->release();
    held.clear();
    stopCounting();
    stopPlugin();
    startPlugin();
    M::PlaylistInterface* again = nullptr;
    ASSERT_TRUE(library->findPlaylist(QStringLiteral("Mix"), &again));
    held << again;
    countWrites();
    insert(again, quint64(-1), nodes.at(0));
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(updated, 0);
    expectModel(again);
}

TEST_F(ItemOrder, OrdersChangedElsewhereAreRenumberedAsAWholeListWouldBe) {
    M::PlaylistInterface* mix = playlist(M::PLAYLIST_TYPE_USER);
    for (int i = 0; i < 6; ++i)
        insert(mix, quint64(i), nodes.at(i));
    // Another connection makes a tie and a gap, 0, 1, 3, 3, 4, 5: as many items as before and
    // the same last order, so only the commit itself gives the change away. Of the tie, the
    // item inserted first comes first.
    const quint64 pid = mix->getId();
    exec(QStringLiteral("UPDATE playlist_item SET play_order = 3 WHERE playlist_id = %1 AND "
                        "play_order = 2")
             .arg(pid));
    model = itemNodes(pid);
    insert(mix, 3, nodes.at(7));
    expectModel(mix);
    insert(mix, 0, nodes.at(8));
    expectModel(mix);
}

TEST_F(ItemOrder, AListARollbackTookBackIsNotTakenForTheListItLeft) {
    // A system playlist with a tie in its orders, 0, 1, 1, 3: a move renumbers it, and the host
    // then rolls the move back. Count and last order are those of the renumbered list, so only
    // the rollback itself tells that the tie is back.
    M::PlaylistInterface* all = playlist(1);
    for (int i = 0; i < 4; ++i)
        insert(all, quint64(i), nodes.at(i));
    const quint64 pid = all->getId();
    exec(QStringLiteral("UPDATE playlist_item SET play_order = 1 WHERE playlist_id = %1 AND "
                        "play_order = 2")
             .arg(pid));
    model = itemNodes(pid);
    const QList<quint64> tied = model;
    ASSERT_TRUE(library->beginTransaction());
    insert(all, 0, nodes.at(3));
    ASSERT_TRUE(library->rollbackTransaction());
    model = tied;
    EXPECT_EQ(itemNodes(pid), model);
    insert(all, 4, nodes.at(0));
    expectModel(all);
}

TEST_F(ItemOrder, WalkingAListByPositionSeesEveryChange) {
    // Video files, which getMediaFileAt hands out, in a list longer than one read-ahead.
    M::PlaylistInterface* mix = playlist(M::PLAYLIST_TYPE_USER);
    QList<quint64> files;
    for (int i = 0; i < 230; ++i) {
        M::VideoFileInterface* file = nullptr;
        ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///walk/%1.avi").arg(i)),
                                          QStringLiteral("W"), 1, 1, &file));
        ASSERT_TRUE(file->save());
        files << file->getId();
        file->release();
        insert(mix, quint64(-1), files.last());
    }
    const auto nodeAt = [mix](quint64 position) {
        M::MediaFileInterface* file = nullptr;
        if (!mix->getMediaFileAt(position, &file))
            return quint64(0);
        const quint64 id = file->getId();
        file->release();
        return id;
    };
    for (quint64 position = 0; position < 50; ++position)
        ASSERT_EQ(nodeAt(position), model.at(qsizetype(position)));

    // Another connection swaps two items the walk has not reached yet.
    const quint64 pid = mix->getId();
    exec(QStringLiteral("UPDATE playlist_item SET play_order = CASE play_order WHEN 60 THEN 61 "
                        "ELSE 60 END WHERE playlist_id = %1 AND play_order IN (60, 61)")
             .arg(pid));
    model.swapItemsAt(60, 61);
    for (quint64 position = 50; position < 120; ++position)
        ASSERT_EQ(nodeAt(position), model.at(qsizetype(position))) << "at " << position;

    // The plugin's own insertion at the front moves every later item one place on.
    insert(mix, 0, files.at(7));
    for (quint64 position = 120; position < quint64(model.size()); ++position)
        ASSERT_EQ(nodeAt(position), model.at(qsizetype(position))) << "at " << position;
    EXPECT_EQ(nodeAt(quint64(model.size())), 0u) << "past the end";
}

} // namespace
