// The life of row objects: one object per live id, the cache that keeps released rows alive,
// detaching on delete, and rows that were never stored.

#include "support/PluginFixture.h"

namespace {

typedef VireoStudio::MediaManagerInterface M;

class RowModel : public PluginFixture {
protected:
    quint64 addVideo(const QString& url) {
        M::VideoFileInterface* file = nullptr;
        EXPECT_TRUE(library->newVideoFile(QUrl(url), QStringLiteral("T"), 1, 1, &file));
        EXPECT_TRUE(file->save());
        const quint64 id = file->getId();
        file->release();
        return id;
    }
    QString titleOf(quint64 id) {
        M::MediaFileInterface* file = nullptr;
        if (!library->getMediaFile(id, &file))
            return QString();
        const QString title = file->getTitle();
        file->release();
        return title;
    }
};

TEST_F(RowModel, OneObjectPerIdWhileItIsLive) {
    const quint64 id = addVideo(QStringLiteral("file:///a"));
    M::MediaFileInterface* first = nullptr;
    M::MediaFileInterface* second = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &first));
    const int count = first->refCount();
    ASSERT_TRUE(library->getMediaFile(id, &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->refCount(), count + 1);
    second->release();
    first->release();
}

TEST_F(RowModel, CacheKeepsTwoHundredReleasedRowsAlive) {
    const quint64 id = addVideo(QStringLiteral("file:///first"));
    // Changing the row behind the library's back shows whether a look-up reloads it.
    exec(QStringLiteral("UPDATE media_file SET title = 'Reloaded' WHERE node_id = %1").arg(id));
    EXPECT_EQ(titleOf(id), QStringLiteral("T")) << "the released row stayed alive";
    for (int i = 0; i < 199; ++i)
        addVideo(QStringLiteral("file:///filler/%1").arg(i));
    EXPECT_EQ(titleOf(id), QStringLiteral("T")) << "still among the 200 newest";
    addVideo(QStringLiteral("file:///one-more"));
    addVideo(QStringLiteral("file:///and-another"));
    EXPECT_EQ(titleOf(id), QStringLiteral("Reloaded")) << "pushed out, then built anew";
}

TEST_F(RowModel, ReleasingAReplacedObjectLeavesItsSuccessorLive) {
    const quint64 id = addVideo(QStringLiteral("file:///a"));
    M::MediaFileInterface* stale = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &stale));
    // The node loses its video row behind the library's back; a new object for the same node
    // is then saved and replaces the registration of the one the host still holds.
    exec(QStringLiteral("DELETE FROM video_file WHERE node_id = %1").arg(id));
    M::VideoFileInterface* successor = nullptr;
    ASSERT_TRUE(library->newVideoFileForMediaFile(stale, 5, 6, &successor));
    ASSERT_TRUE(successor->save());
    stale->release();
    EXPECT_TRUE(successor->isAttached());
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &found));
    EXPECT_EQ(found, static_cast<M::MediaFileInterface*>(successor));
    found->release();
    successor->release();
}

TEST_F(RowModel, LookupsWithoutAnOutPointerStillLoadAndRegister) {
    const quint64 id = addVideo(QStringLiteral("file:///a"));
    for (int i = 0; i < 200; ++i) // push the saved object out of the cache
        addVideo(QStringLiteral("file:///filler/%1").arg(i));
    EXPECT_TRUE(library->getMediaFile(id, nullptr));
    exec(QStringLiteral("UPDATE media_file SET title = 'Changed' WHERE node_id = %1").arg(id));
    EXPECT_EQ(titleOf(id), QStringLiteral("T")) << "the object loaded without an out-pointer lives";
    EXPECT_TRUE(library->getPlaylist(quint64(-1), nullptr));
    EXPECT_TRUE(library->getPlaylistAt(2, 0, nullptr));
}

TEST_F(RowModel, NewRowsHaveNoIdAndAreDestroyedWithTheHostsReference) {
    M::VideoFileInterface* file = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///n")), QString(), 3, 4, &file));
    EXPECT_TRUE(file->isNew());
    EXPECT_EQ(file->getId(), 0u);
    EXPECT_EQ(file->refCount(), 1);
    EXPECT_TRUE(file->isAttached());
    EXPECT_FALSE(file->remove()) << "nothing stored to remove";
    EXPECT_FALSE(file->isPlayCountNull());
    EXPECT_EQ(file->getPlayCountAsInt64(), 0);
    EXPECT_TRUE(file->isDescriptionNull());
    EXPECT_TRUE(file->isUserRatingNull());
    EXPECT_EQ(file->getUserRatingAsUInt32(), 0u);
    EXPECT_EQ(file->getSizeAsUInt64(), 3u);
    EXPECT_EQ(file->getDurationAsInt32(), 4);
    EXPECT_EQ(file->release(), 0);
    EXPECT_EQ(count(QStringLiteral("node")), 0);
}

TEST_F(RowModel, NumericAccessorsConvertBetweenWidths) {
    M::VideoFileInterface* file = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///n")), QString(), 0, 0, &file));
    file->setSize(qint64(-2));
    EXPECT_EQ(file->getSizeAsInt64(), -2);
    EXPECT_EQ(file->getSizeAsInt32(), -2);
    file->setSize(quint64(5000000000ULL));
    EXPECT_EQ(file->getSizeAsUInt64(), 5000000000ULL);
    EXPECT_EQ(file->getSizeAsInt64(), 5000000000LL);
    file->clearDuration();
    EXPECT_TRUE(file->isDurationNull());
    EXPECT_EQ(file->getDurationAsUInt64(), 0u);
    file->release();
}

} // namespace
