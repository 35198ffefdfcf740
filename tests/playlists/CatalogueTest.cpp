// The playlist catalogue as the host uses it: counts and listing by type, look-ups by id and
// name, new and stored playlists, deletion, and one live object per stored playlist.

#include "support/PluginFixture.h"

#include <QSqlQuery>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef M::PlaylistInterface PlaylistInterface;

class Catalogue : public PluginFixture {
protected:
    // A new user playlist, stored through the interface; the caller releases it.
    PlaylistInterface* addUserPlaylist(const QString& name) {
        PlaylistInterface* playlist = nullptr;
        EXPECT_TRUE(library->newPlaylist(name, 1, &playlist));
        EXPECT_TRUE(library->addPlaylist(playlist));
        return playlist;
    }
    void addAndRelease(const QString& name) { addUserPlaylist(name)->release(); }
    QString nameAt(quint64 index) {
        PlaylistInterface* playlist = nullptr;
        if (!library->getPlaylistAt(255, index, &playlist))
            return QStringLiteral("<none>");
        const QString name = playlist->getName();
        playlist->release();
        return name;
    }
};

TEST_F(Catalogue, CountsPlaylistsPerTypeAndSeesNewOnes) {
    for (int type : {1, 2, 3, 4, 16, 18})
        EXPECT_EQ(library->getPlaylistCount(type), 1) << type;
    EXPECT_EQ(library->getPlaylistCount(64), 0) << "the in-memory playlist has no row";
    EXPECT_EQ(library->getPlaylistCount(255), 0);
    addAndRelease(QStringLiteral("Mix"));
    EXPECT_EQ(library->getPlaylistCount(255), 1) << "adding clears the cached count";
}

TEST_F(Catalogue, ListsUserPlaylistsInCaseInsensitiveNameOrder) {
    for (const char* name : {"b", "A", "c"})
        addAndRelease(QLatin1String(name));
    EXPECT_EQ(nameAt(0), QStringLiteral("A"));
    EXPECT_EQ(nameAt(1), QStringLiteral("b"));
    EXPECT_EQ(nameAt(2), QStringLiteral("c"));
    EXPECT_EQ(nameAt(3), QStringLiteral("<none>"));
    EXPECT_EQ(nameAt(quint64(-2)), QStringLiteral("<none>")) << "no wrap-around to the start";

    qint64 index = -1;
    EXPECT_TRUE(library->getPlaylistIndex(255, QStringLiteral("B"), &index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(library->getPlaylistIndex(2, QStringLiteral("anything"), &index));
    EXPECT_EQ(index, 0);
}

TEST_F(Catalogue, SystemTypesHaveOnePlaylistWhateverTheIndex) {
    PlaylistInterface* playlist = nullptr;
    ASSERT_TRUE(library->getPlaylistAt(1, 5, &playlist));
    EXPECT_EQ(playlist->getPlaylistType(), 1);
    EXPECT_EQ(playlist->getId(), playlistIdOfType(1));
    EXPECT_TRUE(playlist->isNameNull());
    EXPECT_EQ(playlist->getSortFlags().value, 8);
    playlist->release();
}

TEST_F(Catalogue, InMemoryRecentPlaylistIsOneObjectThatIsNeverStored) {
    PlaylistInterface* first = nullptr;
    PlaylistInterface* second = nullptr;
    ASSERT_TRUE(library->getPlaylistAt(64, 3, &first));
    ASSERT_TRUE(library->getPlaylist(quint64(-1), &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->getId(), quint64(-1));
    EXPECT_EQ(first->getPlaylistType(), 64);
    EXPECT_EQ(first->getSortFlags().value, 29);
    EXPECT_FALSE(first->isSortable());
    EXPECT_FALSE(first->isNotAcquiredOrRecent());
    EXPECT_TRUE(library->addPlaylist(first));
    EXPECT_FALSE(library->deletePlaylist(quint64(-1)));
    EXPECT_FALSE(first->insertNodeAt(0, insertNode(QStringLiteral("file:///a"))));
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
    first->release();
    second->release();
}

TEST_F(Catalogue, OneLiveObjectPerPlaylistUntilItIsDeleted) {
    PlaylistInterface* stored = addUserPlaylist(QStringLiteral("Mix"));
    const quint64 id = stored->getId();
    EXPECT_EQ(stored->refCount(), 3) << "host, live map and cache";
    PlaylistInterface* again = nullptr;
    ASSERT_TRUE(library->getPlaylist(id, &again));
    EXPECT_EQ(again, stored);
    EXPECT_EQ(stored->refCount(), 4);
    again->release();

    ASSERT_TRUE(library->deletePlaylist(id));
    EXPECT_FALSE(stored->isAttached());
    EXPECT_FALSE(stored->save());
    EXPECT_FALSE(stored->remove());
    EXPECT_FALSE(library->getPlaylist(id, &again));
    EXPECT_EQ(published(QStringLiteral("Media.List.Changed")), QList<quint64>({id}));
    EXPECT_TRUE(messages.at(0).second.canConvert<qulonglong>());
    stored->release();
}

TEST_F(Catalogue, DeletingAnUnknownIdStillReportsTheChange) {
    EXPECT_TRUE(library->deletePlaylist(4242));
    EXPECT_EQ(published(QStringLiteral("Media.List.Changed")), QList<quint64>({4242}));
}

TEST_F(Catalogue, DeletingAPlaylistTakesItsItems) {
    PlaylistInterface* playlist = addUserPlaylist(QStringLiteral("Mix"));
    ASSERT_TRUE(playlist->insertNodeAt(0, insertNode(QStringLiteral("file:///a"))));
    EXPECT_TRUE(playlist->remove());
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 0);
    EXPECT_EQ(library->getPlaylistCount(255), 0);
    playlist->release();
}

TEST_F(Catalogue, NamesAreUniqueWithoutRegardToCase) {
    addAndRelease(QStringLiteral("MIX"));
    PlaylistInterface* playlist = nullptr;
    EXPECT_FALSE(library->newPlaylist(QStringLiteral("Mix"), 1, &playlist));
    EXPECT_EQ(playlist, nullptr);

    PlaylistInterface* first = nullptr;
    PlaylistInterface* second = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Rock"), 1, &first));
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("ROCK"), 1, &second));
    EXPECT_TRUE(library->addPlaylist(first));
    EXPECT_FALSE(library->addPlaylist(second));
    EXPECT_TRUE(second->isNew());
    EXPECT_EQ(library->getPlaylistCount(255), 2);
    first->release();
    second->release();
}

TEST_F(Catalogue, FindKeepsTheCallersSpellingForANewObject) {
    addAndRelease(QStringLiteral("Mix"));
    // Push the stored object out of the cache so that the look-up builds a new one.
    for (int i = 0; i < 10; ++i)
        addAndRelease(QStringLiteral("filler %1").arg(i));
    PlaylistInterface* found = nullptr;
    ASSERT_TRUE(library->findPlaylist(QStringLiteral("mix"), &found));
    EXPECT_EQ(found->getName(), QStringLiteral("mix"));
    EXPECT_EQ(found->getPlaylistType(), 255);
    EXPECT_EQ(found->getSortFlags().value, 2);
    found->release();
    EXPECT_FALSE(library->findPlaylist(QStringLiteral("nothing"), &found));
}

TEST_F(Catalogue, CacheKeepsReleasedPlaylistsAliveUntilTenNewerOnesPushThemOut) {
    addAndRelease(QStringLiteral("Kept"));
    // Renaming the row behind the library's back shows whether the next look-up reloads it.
    exec(QStringLiteral("UPDATE playlist SET name = 'Renamed' WHERE name = 'Kept'"));
    const quint64 id = scalar(QStringLiteral("SELECT playlist_id FROM playlist WHERE name = "
                                             "'Renamed'"))
                           .toULongLong();
    PlaylistInterface* playlist = nullptr;
    ASSERT_TRUE(library->getPlaylist(id, &playlist));
    EXPECT_EQ(playlist->getName(), QStringLiteral("Kept")) << "the cached object answered";
    playlist->release();

    for (int i = 0; i < 10; ++i)
        addAndRelease(QStringLiteral("filler %1").arg(i));
    ASSERT_TRUE(library->getPlaylist(id, &playlist));
    EXPECT_EQ(playlist->getName(), QStringLiteral("Renamed")) << "a new object was built";
    EXPECT_EQ(playlist->refCount(), 3);
    playlist->release();
}

TEST_F(Catalogue, StoringAStoredPlaylistWritesNothing) {
    PlaylistInterface* playlist = addUserPlaylist(QStringLiteral("Mix"));
    EXPECT_TRUE(library->addPlaylist(playlist));
    EXPECT_TRUE(playlist->save());
    EXPECT_EQ(library->getPlaylistCount(255), 1);
    playlist->release();
}

// A playlist implemented by the host itself: the library must refuse to store it.
class HostPlaylist : public PlaylistInterface {
public:
    int addRef() override { return ++count; }
    int release() override { return --count; }
    int refCount() const override { return count; }
    bool save() override { return false; }
    bool remove() override { return false; }
    bool isAttached() const override { return false; }
    quint64 getId() const override { return 0; }
    bool isNew() const override { return true; }
    int getPlaylistType() const override { return 255; }
    int getMediaFileType() const override { return 1; }
    bool isNotAcquiredOrRecent() const override { return true; }
    bool isSortable() const override { return true; }
    qint64 getIndex() override { return 0; }
    bool isNameNull() const override { return false; }
    QString getName() const override { return QStringLiteral("Host"); }
    bool setName(const QString&) override { return false; }
    bool sort(int) override { return false; }
    M::SortFlags getSortFlags() const override { return M::SortFlags(); }
    qint64 getItemCount() override { return 0; }
    bool getQueuedFileAt(quint64, M::QueuedFileInterface**) override { return false; }
    bool getAcquiredFileAt(quint64, M::AcquiredFileInterface**) override { return false; }
    bool getRecentFileAtPosition(quint64, M::RecentFileInterface**) override { return false; }
    bool getMediaFileAt(quint64, M::MediaFileInterface**) override { return false; }
    bool findQueuedFile(const QUrl&, M::QueuedFileInterface**) override { return false; }
    bool findAcquiredFileInList(const QUrl&, M::AcquiredFileInterface**) override { return false; }
    bool findRecentFileInList(const QUrl&, M::RecentFileInterface**) override { return false; }
    bool findMediaFileInList(const QUrl&, M::MediaFileInterface**) override { return false; }
    bool findMediaFilesMatching(const QUrl&, M::MediaFileList&) override { return false; }
    bool findQueuedFileByDownloadUrl(const QUrl&, M::QueuedFileInterface**) override {
        return false;
    }
    bool containsNode(quint64) override { return false; }
    bool removeNode(quint64) override { return false; }
    bool removeAt(quint64) override { return false; }
    bool insertNodeAt(quint64, quint64) override { return false; }
    bool insertStoredFileAt(quint64, M::NodeInterface*) override { return false; }
    bool insertFileAt(quint64, M::NodeInterface*) override { return false; }
    qint64 getTotalSize() override { return 0; }
    qint64 getTotalDuration() override { return 0; }

private:
    int count = 1;
};

TEST_F(Catalogue, RefusesToStoreAPlaylistOfAnotherImplementation) {
    HostPlaylist foreign;
    EXPECT_FALSE(library->addPlaylist(&foreign));
    EXPECT_FALSE(library->addPlaylist(nullptr));
    EXPECT_EQ(count(QStringLiteral("playlist")), 6);
}

} // namespace
