// Sorting a playlist by a column of its media, finding items by URL, and the sums of a
// playlist's items.

#include "support/PluginFixture.h"

namespace {

typedef VireoStudio::MediaManagerInterface M;

class PlaylistSort : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        // Names sort b, C, a by case-sensitive order but a, b, C without regard to case.
        add(QStringLiteral("file:///m/C.avi"), QStringLiteral("Cherry"), 300, 30);
        add(QStringLiteral("file:///m/a.avi"), QStringLiteral("apple"), 100, 20);
        add(QStringLiteral("file:///m/b.avi"), QStringLiteral("Banana"), 200, 10);
        ASSERT_TRUE(library->newPlaylist(QStringLiteral("Mix"), 1, &mix));
        ASSERT_TRUE(mix->save());
        for (quint64 id : ids)
            ASSERT_TRUE(mix->insertNodeAt(quint64(-1), id));
    }
    void TearDown() override {
        if (mix)
            mix->release();
        PluginFixture::TearDown();
    }
    void add(const QString& url, const QString& title, quint64 size, quint64 duration) {
        M::VideoFileInterface* file = nullptr;
        ASSERT_TRUE(library->newVideoFile(QUrl(url), title, size, duration, &file));
        ASSERT_TRUE(file->save());
        ids << file->getId();
        names.insert(file->getId(), url.section(QLatin1Char('/'), -1).left(1));
        file->release();
    }
    QString order() {
        QString letters;
        for (quint64 id : itemNodes(mix->getId()))
            letters += names.value(id, QStringLiteral("?"));
        return letters;
    }
    int storedFlags() {
        return scalar(QStringLiteral("SELECT sort_flags FROM playlist WHERE playlist_id = %1")
                          .arg(mix->getId()))
            .toInt();
    }

    M::PlaylistInterface* mix = nullptr;
    QList<quint64> ids;
    QHash<quint64, QString> names;
};

TEST_F(PlaylistSort, SortsByEachKeyInBothDirectionsAndRenumbers) {
    const struct {
        int flags;
        const char* order;
    } cases[] = {{8, "abC"},  {9, "Cba"},  {16, "abC"}, {17, "Cba"}, {20, "abC"},
                 {21, "Cba"}, {24, "baC"}, {25, "Cab"}, {4, "abC"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(mix->sort(c.flags)) << c.flags;
        EXPECT_EQ(order(), QLatin1String(c.order)) << c.flags;
        EXPECT_EQ(itemOrders(mix->getId()), QList<qint64>({0, 1, 2})) << c.flags;
        EXPECT_EQ(storedFlags(), c.flags);
        EXPECT_EQ(mix->getSortFlags().value, c.flags);
    }
}

TEST_F(PlaylistSort, ManualStoresTheFlagsAndKeepsTheOrder) {
    ASSERT_TRUE(mix->sort(8));
    ASSERT_TRUE(mix->sort(2));
    EXPECT_EQ(storedFlags(), 2);
    EXPECT_EQ(order(), QStringLiteral("abC"));
}

TEST_F(PlaylistSort, RefusedFlagsChangeNothing) {
    for (int flags : {0, 1, 3, 28, 29, 11}) {
        EXPECT_FALSE(mix->sort(flags)) << flags;
        EXPECT_EQ(storedFlags(), 2) << flags;
        EXPECT_EQ(mix->getSortFlags().value, 2) << flags;
        EXPECT_EQ(order(), QStringLiteral("Cab")) << flags;
    }
    M::PlaylistInterface* fresh = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Unsaved"), 1, &fresh));
    EXPECT_FALSE(fresh->sort(8));
    fresh->release();
    for (int type : {16, 64}) {
        M::PlaylistInterface* playlist = nullptr;
        ASSERT_TRUE(library->getPlaylistAt(type, 0, &playlist));
        EXPECT_FALSE(playlist->sort(8)) << type;
        playlist->release();
    }
}

TEST_F(PlaylistSort, ItemsWithoutAVideoRowKeepTheirOrder) {
    const quint64 bare = insertNode(QStringLiteral("file:///m/0-bare"));
    names.insert(bare, QStringLiteral("0"));
    ASSERT_TRUE(mix->insertNodeAt(0, bare)); // orders: bare 0, C 1, a 2, b 3
    ASSERT_TRUE(mix->sort(9));               // C, b, a get 0, 1, 2; the bare item keeps 0
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT play_order FROM playlist_item WHERE node_id = %1").arg(bare))
            .toInt(),
        0);
    EXPECT_EQ(itemOrders(mix->getId()), QList<qint64>({0, 0, 1, 2}));
}

TEST_F(PlaylistSort, FindsItemsByUrlWithoutRegardToCase) {
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(mix->findMediaFileInList(QUrl(QStringLiteral("FILE:///M/A.AVI")), &found));
    EXPECT_EQ(found->getId(), ids.at(1));
    found->release();
    EXPECT_FALSE(mix->findMediaFileInList(QUrl(QStringLiteral("file:///m/z.avi")), &found));
}

TEST_F(PlaylistSort, GlobPatternsMatchCaseSensitively) {
    M::MediaFileList files;
    ASSERT_TRUE(mix->findMediaFilesMatching(QUrl(QStringLiteral("file:///m/*")), files));
    EXPECT_EQ(files.size(), 3);
    ASSERT_TRUE(mix->findMediaFilesMatching(QUrl(QStringLiteral("file:///m/[ab].avi")), files));
    EXPECT_EQ(files.size(), 2);
    ASSERT_TRUE(mix->findMediaFilesMatching(QUrl(QStringLiteral("file:///m/A.avi")), files));
    EXPECT_TRUE(files.isEmpty()) << "without wildcards: an exact, case-sensitive match";

    // A match that is no media file empties the list, and the call still succeeds.
    const quint64 bare = insertNode(QStringLiteral("file:///m/bare"));
    ASSERT_TRUE(mix->insertNodeAt(0, bare));
    ASSERT_TRUE(mix->findMediaFilesMatching(QUrl(QStringLiteral("file:///m/*")), files));
    EXPECT_TRUE(files.isEmpty());
}

TEST_F(PlaylistSort, SumsCountEveryItemAndAnEmptyPlaylistIsZero) {
    EXPECT_EQ(mix->getTotalSize(), 600);
    EXPECT_EQ(mix->getTotalDuration(), 60);
    ASSERT_TRUE(mix->insertNodeAt(0, ids.at(0)));
    EXPECT_EQ(mix->getTotalSize(), 900) << "an item present twice counts twice";
    M::PlaylistInterface* empty = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Empty"), 1, &empty));
    ASSERT_TRUE(empty->save());
    EXPECT_EQ(empty->getTotalSize(), 0);
    EXPECT_EQ(empty->getTotalDuration(), 0);
    empty->release();
}

} // namespace

namespace {

// Look-ups in the download queue: by content URL and by download URL.
class QueueSearch : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        M::QueuedFileInterface* file = nullptr;
        ASSERT_TRUE(library->newQueuedFile(
            QUrl(QStringLiteral("vireo_vod_file://T1"), QUrl::TolerantMode), QStringLiteral("One"),
            QUrl(QStringLiteral("http://user@dl.example.com/1")), &file));
        ASSERT_TRUE(file->save());
        id = file->getId();
        file->release();
        ASSERT_TRUE(library->getPlaylistAt(16, 0, &queue));
    }
    void TearDown() override {
        if (queue)
            queue->release();
        PluginFixture::TearDown();
    }
    M::PlaylistInterface* queue = nullptr;
    quint64 id = 0;
};

TEST_F(QueueSearch, FindsADownloadByItsDownloadUrlWithExtraTextBehindTheScheme) {
    M::QueuedFileInterface* found = nullptr;
    ASSERT_TRUE(queue->findQueuedFileByDownloadUrl(QUrl(QStringLiteral("http://DL.example.com/1")),
                                                   &found));
    EXPECT_EQ(found->getId(), id);
    found->release();
    EXPECT_FALSE(queue->findQueuedFileByDownloadUrl(QUrl(QStringLiteral("http://dl.example.com/2")),
                                                    &found));
}

TEST_F(QueueSearch, FindsADownloadByItsContentUrlAndByPosition) {
    M::QueuedFileInterface* found = nullptr;
    ASSERT_TRUE(queue->findQueuedFile(
        QUrl(QStringLiteral("vireo_vod_file://t1"), QUrl::TolerantMode), &found));
    EXPECT_EQ(found->getId(), id);
    found->release();
    ASSERT_TRUE(queue->getQueuedFileAt(0, &found));
    EXPECT_EQ(found->getId(), id);
    found->release();
    M::AcquiredFileInterface* acquired = nullptr;
    ASSERT_TRUE(queue->getAcquiredFileAt(0, &acquired));
    EXPECT_EQ(acquired->getId(), id);
    acquired->release();
    M::MediaFileInterface* media = nullptr;
    EXPECT_FALSE(queue->getMediaFileAt(0, &media)) << "a download is no video file";
}

TEST_F(QueueSearch, RemovingADownloadFromTheQueueDeletesIt) {
    ASSERT_TRUE(queue->removeNode(id));
    EXPECT_EQ(queue->getItemCount(), 0);
    EXPECT_EQ(count(QStringLiteral("node")), 0);
    EXPECT_FALSE(published(QStringLiteral("Media.Item.Changed")).isEmpty());
}

} // namespace
