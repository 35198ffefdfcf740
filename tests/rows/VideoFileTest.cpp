// Video files as the player uses them: made, stored, found, changed and deleted through the
// library interface, with the rows checked on a second connection.

#include "support/PluginFixture.h"

#include <QDateTime>

#include <cstdlib>
#include <ctime>

namespace {

typedef VireoStudio::MediaManagerInterface M;

class VideoFiles : public PluginFixture {
protected:
    // A new, saved video file; the caller releases it.
    M::VideoFileInterface* addVideo(const QString& url, const QString& title = QStringLiteral("T"),
                                    quint64 size = 700, quint64 duration = 5400) {
        M::VideoFileInterface* file = nullptr;
        EXPECT_TRUE(library->newVideoFile(QUrl(url), title, size, duration, &file))
            << qPrintable(url);
        if (!file)
            return nullptr;
        EXPECT_TRUE(file->save());
        return file;
    }
    quint64 addAndRelease(const QString& url) {
        M::VideoFileInterface* file = addVideo(url);
        const quint64 id = file->getId();
        file->release();
        return id;
    }
    QString column(const QString& table, const QString& column, quint64 id) {
        return scalar(QStringLiteral("SELECT %1 FROM %2 WHERE node_id = %3")
                          .arg(column, table)
                          .arg(id))
            .toString();
    }
};

TEST_F(VideoFiles, SavingANewFileWritesItsRowsJoinsTheBuiltInPlaylistsAndSendsNothing) {
    M::VideoFileInterface* file =
        addVideo(QStringLiteral("http://example.com/Videos/my%20clip.avi"),
                 QStringLiteral("My Clip"), 1234, 99);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->isNew());
    const quint64 id = file->getId();
    EXPECT_EQ(column("node", "name", id), QStringLiteral("my clip.avi"));
    EXPECT_EQ(column("node", "uri", id), QStringLiteral("http://example.com/Videos/my clip.avi"));
    EXPECT_EQ(column("media_file", "title", id), QStringLiteral("My Clip"));
    EXPECT_EQ(column("media_file", "size", id), QStringLiteral("1234"));
    EXPECT_EQ(column("media_file", "media_file_type", id), QStringLiteral("1"));
    EXPECT_EQ(column("media_file", "play_count", id), QStringLiteral("0"));
    EXPECT_EQ(column("video_file", "duration", id), QStringLiteral("99"));
    EXPECT_EQ(itemNodes(playlistIdOfType(1)), QList<quint64>({id}));
    EXPECT_EQ(itemNodes(playlistIdOfType(2)), QList<quint64>({id}));
    EXPECT_LE(qAbs(file->getCreateDate().secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_TRUE(messages.isEmpty());

    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &found));
    EXPECT_EQ(found, static_cast<M::MediaFileInterface*>(file)) << "the saved object is live";
    found->release();
    file->release();
}

TEST_F(VideoFiles, ChangesReachTheDatabaseOnlyWithSave) {
    M::VideoFileInterface* file = addVideo(QStringLiteral("file:///m/a.avi"));
    const quint64 id = file->getId();
    file->setTitle(QStringLiteral("Changed"));
    file->setPlayCount(qint64(3));
    file->setUserRating(quint64(4));
    file->setDescription(QStringLiteral("about"));
    file->setLastPlayed(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC));
    file->clearSize();
    file->setMediaFileType(5);
    EXPECT_EQ(column("media_file", "title", id), QStringLiteral("T"));
    ASSERT_TRUE(file->save());
    EXPECT_EQ(column("media_file", "title", id), QStringLiteral("Changed"));
    EXPECT_EQ(column("media_file", "play_count", id), QStringLiteral("3"));
    EXPECT_EQ(column("media_file", "user_rating", id), QStringLiteral("4"));
    EXPECT_TRUE(
        scalar(QStringLiteral("SELECT size FROM media_file WHERE node_id = %1").arg(id)).isNull());
    EXPECT_EQ(column("media_file", "media_file_type", id), QStringLiteral("1"))
        << "a video file is always stored as type 1";
    file->release();

    // A new plugin reads back what was stored.
    stopPlugin();
    startPlugin();
    M::MediaFileInterface* loaded = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &loaded));
    EXPECT_EQ(loaded->getTitle(), QStringLiteral("Changed"));
    EXPECT_EQ(loaded->getPlayCountAsInt32(), 3);
    EXPECT_EQ(loaded->getUserRatingAsUInt64(), 4u);
    EXPECT_TRUE(loaded->isSizeNull());
    EXPECT_EQ(loaded->getSizeAsInt64(), 0);
    EXPECT_EQ(loaded->getLastPlayed(), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC));
    EXPECT_EQ(loaded->getMediaFileType(), 1);
    loaded->release();
}

TEST_F(VideoFiles, LookupsMatchUrlsWithoutRegardToCaseAndOnlyVideoFiles) {
    const quint64 id = addAndRelease(QStringLiteral("file:///C:/Movies/A.avi"));
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->findMediaFile(QUrl(QStringLiteral("file:///c:/movies/a.AVI")), &found));
    EXPECT_EQ(found->getId(), id);
    found->release();
    EXPECT_FALSE(library->findMediaFile(QUrl(QStringLiteral("file:///nothing")), &found));

    // A node whose media_file_type is not 1 is no video file, even with a video row.
    exec(QStringLiteral("UPDATE media_file SET media_file_type = 0"));
    stopPlugin();
    startPlugin();
    EXPECT_FALSE(library->getMediaFile(id, &found));
}

TEST_F(VideoFiles, NewFileForAUrlThatIsAlreadyAVideoFileIsRefused) {
    addAndRelease(QStringLiteral("file:///m/a.avi"));
    M::VideoFileInterface* file = nullptr;
    EXPECT_FALSE(
        library->newVideoFile(QUrl(QStringLiteral("FILE:///m/A.avi")), QString(), 1, 1, &file));
    EXPECT_FALSE(library->newVideoFile(QUrl(), QStringLiteral("t"), 1, 1, &file));
    EXPECT_EQ(file, nullptr);
}

TEST_F(VideoFiles, NewFileForABareNodeTakesOverTheNode) {
    const quint64 node = insertNode(QStringLiteral("file:///m/bare.avi"));
    M::VideoFileInterface* file = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///m/bare.avi")),
                                      QStringLiteral("Bare"), 10, 20, &file));
    EXPECT_EQ(file->getId(), node);
    EXPECT_EQ(file->getName(), QStringLiteral("bare.avi"));
    EXPECT_FALSE(file->isCreateDateNull());
    ASSERT_TRUE(file->save());
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(column("media_file", "title", node), QStringLiteral("Bare"));
    EXPECT_EQ(column("video_file", "duration", node), QStringLiteral("20"));
    file->release();
}

TEST_F(VideoFiles, AFailedStoreLeavesNoPartialEntryAndTheObjectNew) {
    exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON video_file "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    M::VideoFileInterface* file = nullptr;
    ASSERT_TRUE(
        library->newVideoFile(QUrl(QStringLiteral("file:///m/a.avi")), QString(), 1, 1, &file));
    EXPECT_FALSE(file->save());
    EXPECT_TRUE(file->isNew()) << "the id of a rolled-back node must not stay with the object";
    for (const char* table : {"node", "media_file", "video_file", "playlist_item"})
        EXPECT_EQ(count(QLatin1String(table)), 0) << table;

    // Once the refusal is gone, the same object stores normally.
    exec(QStringLiteral("DROP TRIGGER refuse"));
    EXPECT_TRUE(file->save());
    EXPECT_EQ(count(QStringLiteral("video_file")), 1);
    file->release();
}

TEST_F(VideoFiles, SavingANewObjectForAUrlStoredMeanwhileFails) {
    M::VideoFileInterface* first = nullptr;
    M::VideoFileInterface* second = nullptr;
    ASSERT_TRUE(
        library->newVideoFile(QUrl(QStringLiteral("file:///m/a.avi")), QString(), 1, 1, &first));
    ASSERT_TRUE(
        library->newVideoFile(QUrl(QStringLiteral("file:///m/A.avi")), QString(), 1, 1, &second));
    EXPECT_TRUE(first->save());
    EXPECT_FALSE(second->save());
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 2) << "one node in types 1 and 2";
    first->release();
    second->release();
}

TEST_F(VideoFiles, DeletingDetachesHeldObjectsAndPublishesTwice) {
    M::VideoFileInterface* file = addVideo(QStringLiteral("file:///m/a.avi"));
    const quint64 id = file->getId();
    ASSERT_TRUE(library->deleteVideoFile(id));
    EXPECT_FALSE(file->isAttached());
    EXPECT_FALSE(file->save());
    EXPECT_FALSE(file->remove());
    EXPECT_EQ(file->getTitle(), QStringLiteral("T")) << "a detached row keeps its values";
    EXPECT_EQ(count(QStringLiteral("node")), 0);
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 0);
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")), QList<quint64>({id, id}));
    M::MediaFileInterface* found = nullptr;
    EXPECT_FALSE(library->getMediaFile(id, &found));
    file->release();

    messages.clear();
    EXPECT_TRUE(library->deleteVideoFile(777));
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")), QList<quint64>({777, 777}));
}

TEST_F(VideoFiles, DeletingAVideoThatIsAlsoADownloadKeepsTheDownload) {
    M::VideoFileInterface* file = addVideo(QStringLiteral("file:///m/a.avi"));
    const quint64 id = file->getId();
    exec(QStringLiteral("INSERT INTO acquired_file (node_id, content_id) VALUES (%1, 5)").arg(id));
    exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                        "VALUES (%1, 'http://dl/a', 1)")
             .arg(id));
    exec(QStringLiteral("INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (%1, "
                        "%2, 0)")
             .arg(playlistIdOfType(18))
             .arg(id));
    ASSERT_TRUE(library->deleteVideoFile(id));
    EXPECT_FALSE(file->isAttached());
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(count(QStringLiteral("media_file")), 1);
    EXPECT_EQ(count(QStringLiteral("queued_file")), 1);
    EXPECT_EQ(count(QStringLiteral("video_file")), 0);
    EXPECT_TRUE(itemNodes(playlistIdOfType(2)).isEmpty());
    EXPECT_TRUE(itemNodes(playlistIdOfType(18)).isEmpty());
    EXPECT_EQ(itemNodes(playlistIdOfType(1)), QList<quint64>({id}));
    file->release();
}

TEST_F(VideoFiles, SystemPlaylistChangesRollBackWholeWhenATypeIsMissing) {
    M::VideoFileInterface* file = addVideo(QStringLiteral("file:///m/a.avi"));
    const quint64 id = file->getId();
    exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                        "VALUES (%1, 'http://dl/a', 1)")
             .arg(id));
    exec(QStringLiteral("DELETE FROM playlist WHERE playlist_type = 18"));
    // Leaving type 2 succeeds, leaving type 18 cannot: the video row stays and so does the item.
    EXPECT_FALSE(library->deleteVideoFile(id));
    EXPECT_EQ(count(QStringLiteral("video_file")), 1);
    EXPECT_EQ(itemNodes(playlistIdOfType(2)), QList<quint64>({id}));
    EXPECT_TRUE(file->isAttached());
    file->release();
}

TEST_F(VideoFiles, AppendingToABuiltInPlaylistGoesAfterTheLastItemEvenAcrossAGap) {
    const quint64 a = addAndRelease(QStringLiteral("file:///m/a.avi"));
    const quint64 b = addAndRelease(QStringLiteral("file:///m/b.avi"));
    const quint64 c = addAndRelease(QStringLiteral("file:///m/c.avi"));
    M::PlaylistInterface* videos = nullptr;
    ASSERT_TRUE(library->getPlaylistAt(2, 0, &videos));
    ASSERT_TRUE(videos->removeAt(0)); // orders 1 and 2 remain: the count is 2
    const quint64 d = addAndRelease(QStringLiteral("file:///m/d.avi"));
    EXPECT_EQ(itemNodes(videos->getId()), QList<quint64>({b, c, d}));
    EXPECT_EQ(itemOrders(videos->getId()), QList<qint64>({1, 2, 3}));
    EXPECT_EQ(videos->getItemCount(), 3) << "the live playlist saw the join";
    (void)a;
    videos->release();
}

TEST_F(VideoFiles, UrlTextQUrlCannotParseRoundTripsUnchanged) {
    const QString text = QStringLiteral("vireo_vod_file://ABC123");
    const quint64 id = insertNode(text);
    exec(
        QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 1)").arg(id));
    exec(QStringLiteral("INSERT INTO video_file (node_id) VALUES (%1)").arg(id));
    M::MediaFileInterface* found = nullptr;
    ASSERT_TRUE(library->findMediaFile(QUrl(text, QUrl::TolerantMode), &found));
    EXPECT_FALSE(found->isUriNull());
    auto* video = dynamic_cast<M::VideoFileInterface*>(found);
    ASSERT_NE(video, nullptr);
    video->setTitle(QStringLiteral("Kept"));
    ASSERT_TRUE(video->save());
    EXPECT_EQ(column("node", "uri", id), text);
    found->release();
}

// Stored create dates are UTC; the object hands out the same instant it held after its insert.
class VideoFileDates : public VideoFiles {
protected:
    void SetUp() override {
        setenv("TZ", "Asia/Tokyo", 1);
        tzset();
        VideoFiles::SetUp();
    }
    void TearDown() override {
        VideoFiles::TearDown();
        unsetenv("TZ");
        tzset();
    }
};

TEST_F(VideoFileDates, LoadedCreateDateIsTheInstantOfTheInsert) {
    M::VideoFileInterface* file = addVideo(QStringLiteral("file:///m/a.avi"));
    const QDateTime saved = file->getCreateDate();
    const quint64 id = file->getId();
    file->release();
    stopPlugin();
    startPlugin();
    M::MediaFileInterface* loaded = nullptr;
    ASSERT_TRUE(library->getMediaFile(id, &loaded));
    EXPECT_LE(qAbs(loaded->getCreateDate().secsTo(saved)), 2)
        << qPrintable(loaded->getCreateDate().toString(Qt::ISODate)) << " vs "
        << qPrintable(saved.toString(Qt::ISODate));
    loaded->release();
}

} // namespace
