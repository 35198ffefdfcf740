// Acquired content and queued downloads as the player uses them: made, stored, found, changed
// and deleted through the library interface, with the rows checked on a second connection.

#include "support/PluginFixture.h"

#include <QDateTime>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const int kQueue = M::PLAYLIST_TYPE_QUEUE;
const int kAcquired = M::PLAYLIST_TYPE_ACQUIRED;

class AcquiredFiles : public PluginFixture {
protected:
    // A new, saved acquired file; the caller releases it.
    M::AcquiredFileInterface* addAcquired(const QString& url, quint64 contentId,
                                          const QString& title = QStringLiteral("Acquired")) {
        M::AcquiredFileInterface* file = nullptr;
        EXPECT_TRUE(
            library->newAcquiredFile(QUrl(url, QUrl::TolerantMode), title, contentId, &file))
            << qPrintable(url);
        if (file) {
            EXPECT_TRUE(file->save());
        }
        return file;
    }
    // A new, saved queued file, with a content id unless it is 0; the caller releases it.
    M::QueuedFileInterface* addQueued(const QString& url, quint64 contentId = 0,
                                      const QString& downloadUrl = QStringLiteral("http://dl/x")) {
        M::QueuedFileInterface* file = nullptr;
        EXPECT_TRUE(library->newQueuedFile(QUrl(url, QUrl::TolerantMode), QStringLiteral("Queued"),
                                           QUrl(downloadUrl, QUrl::TolerantMode), &file))
            << qPrintable(url);
        if (!file)
            return nullptr;
        if (contentId)
            file->setContentId(contentId);
        EXPECT_TRUE(file->save());
        return file;
    }
    M::VideoFileInterface* addVideo(const QString& url) {
        M::VideoFileInterface* file = nullptr;
        EXPECT_TRUE(
            library->newVideoFile(QUrl(url), QStringLiteral("Video title"), 700, 5400, &file));
        if (file) {
            EXPECT_TRUE(file->save());
        }
        return file;
    }
    QVariant column(const QString& table, const QString& column, quint64 id) {
        return scalar(
            QStringLiteral("SELECT %1 FROM %2 WHERE node_id = %3").arg(column, table).arg(id));
    }
    QList<quint64> items(int type) { return itemNodes(playlistIdOfType(type)); }
    // Restarts the plugin, so that objects are built from the database.
    void restart() {
        stopPlugin();
        startPlugin();
    }
};

TEST_F(AcquiredFiles, NewAcquiredFileRefusesMissingValuesAndAUrlAcquiredAlready) {
    const QUrl url(QStringLiteral("http://cdn/Films/movie.avi"));
    M::AcquiredFileInterface* file = nullptr;
    EXPECT_FALSE(library->newAcquiredFile(url, QStringLiteral("T"), 0, &file));
    EXPECT_FALSE(library->newAcquiredFile(QUrl(), QStringLiteral("T"), 5, &file));
    EXPECT_FALSE(library->newAcquiredFile(url, QString(), 5, &file));
    EXPECT_EQ(file, nullptr);

    M::AcquiredFileInterface* stored = addAcquired(url.toString(), 5);
    EXPECT_FALSE(library->newAcquiredFile(QUrl(QStringLiteral("HTTP://cdn/films/MOVIE.avi")),
                                          QStringLiteral("T"), 6, &file))
        << "URLs match without regard to case";
    EXPECT_EQ(file, nullptr);
    stored->release();
}

TEST_F(AcquiredFiles, SavingANewAcquiredFileWritesItsRowsAndJoinsTheAcquiredPlaylist) {
    M::AcquiredFileInterface* file = nullptr;
    ASSERT_TRUE(library->newAcquiredFile(QUrl(QStringLiteral("http://cdn/Films/my%20movie.avi")),
                                         QStringLiteral("My Movie"), 77, &file));
    EXPECT_TRUE(file->isNew());
    EXPECT_EQ(file->getName(), QStringLiteral("my movie.avi"));
    EXPECT_EQ(file->getContentId(), 77u);
    EXPECT_EQ(count(QStringLiteral("node")), 0) << "nothing is stored before save";
    file->setContentProvider(QStringLiteral("Provider"));
    ASSERT_TRUE(file->save());
    const quint64 id = file->getId();
    EXPECT_LE(qAbs(file->getCreateDate().secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(column("node", "uri", id).toString(),
              QStringLiteral("http://cdn/Films/my movie.avi"));
    EXPECT_EQ(column("media_file", "media_file_type", id).toInt(), 0);
    EXPECT_EQ(column("media_file", "title", id).toString(), QStringLiteral("My Movie"));
    EXPECT_EQ(column("acquired_file", "content_provider", id).toString(),
              QStringLiteral("Provider"));
    EXPECT_EQ(column("acquired_file", "content_id", id).toLongLong(), 77);
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0);
    EXPECT_EQ(items(kAcquired), QList<quint64>({id}));
    EXPECT_TRUE(items(kQueue).isEmpty());
    EXPECT_TRUE(items(1).isEmpty());
    EXPECT_TRUE(messages.isEmpty());

    // Every look-up hands out the saved object itself.
    M::AcquiredFileInterface* found = nullptr;
    ASSERT_TRUE(library->getAcquiredFile(id, &found));
    EXPECT_EQ(found, file);
    found->release();
    ASSERT_TRUE(
        library->findAcquiredFile(QUrl(QStringLiteral("http://CDN/films/my%20movie.avi")), &found));
    EXPECT_EQ(found, file);
    found->release();
    ASSERT_TRUE(library->findAcquiredFileByContentId(77, &found));
    EXPECT_EQ(found, file);
    found->release();
    EXPECT_FALSE(library->findAcquiredFileByContentId(78, &found));
    file->release();

    // Loaded anew, the object has every stored value but no media file type.
    restart();
    ASSERT_TRUE(library->getAcquiredFile(id, &found));
    EXPECT_EQ(dynamic_cast<M::QueuedFileInterface*>(found), nullptr);
    EXPECT_EQ(found->getTitle(), QStringLiteral("My Movie"));
    EXPECT_EQ(found->getContentProvider(), QStringLiteral("Provider"));
    EXPECT_EQ(found->getContentId(), 77u);
    EXPECT_TRUE(found->isMediaFileTypeNull());
    EXPECT_EQ(found->getMediaFileType(), 0);
    EXPECT_FALSE(found->isCreateDateNull());
    found->release();
}

TEST_F(AcquiredFiles, ContentIdsUseAllSixtyFourBits) {
    const quint64 contentId = (quint64(1) << 63) + 5;
    M::AcquiredFileInterface* file = addAcquired(QStringLiteral("http://cdn/big"), contentId);
    const quint64 id = file->getId();
    file->release();
    restart();
    M::AcquiredFileInterface* found = nullptr;
    ASSERT_TRUE(library->findAcquiredFileByContentId(contentId, &found));
    EXPECT_EQ(found->getId(), id);
    EXPECT_EQ(found->getContentId(), contentId);
    EXPECT_FALSE(library->findAcquiredFileByContentId(5, nullptr));
    found->release();
}

TEST_F(AcquiredFiles, SavesMissingRequiredValuesWriteNothing) {
    M::AcquiredFileInterface* acquired = nullptr;
    ASSERT_TRUE(library->newAcquiredFile(QUrl(QStringLiteral("http://cdn/a")), QStringLiteral("A"),
                                         5, &acquired));
    acquired->clearContentId();
    EXPECT_FALSE(acquired->save());
    EXPECT_TRUE(acquired->isNew());
    acquired->release();

    M::QueuedFileInterface* queued = nullptr;
    ASSERT_TRUE(library->newQueuedFile(QUrl(QStringLiteral("http://cdn/q")), QStringLiteral("Q"),
                                       QUrl(QStringLiteral("http://dl/q")), &queued));
    queued->clearTitle();
    EXPECT_FALSE(queued->save());
    EXPECT_TRUE(queued->isNew());
    queued->release();
    for (const char* table :
         {"node", "media_file", "acquired_file", "queued_file", "playlist_item"})
        EXPECT_EQ(count(QLatin1String(table)), 0) << table;
    EXPECT_FALSE(library->saveAcquiredFile(nullptr));
}

TEST_F(AcquiredFiles, NewQueuedFileStartsAtTheBeginningAndRefusesMissingValues) {
    const QUrl url(QStringLiteral("http://cdn/q.avi"));
    const QUrl download(QStringLiteral("http://dl/q.avi"));
    M::QueuedFileInterface* file = nullptr;
    EXPECT_FALSE(library->newQueuedFile(QUrl(), QStringLiteral("Q"), download, &file));
    EXPECT_FALSE(library->newQueuedFile(url, QString(), download, &file));
    EXPECT_FALSE(library->newQueuedFile(url, QStringLiteral("Q"), QUrl(), &file));
    EXPECT_EQ(file, nullptr);

    ASSERT_TRUE(library->newQueuedFile(url, QStringLiteral("Q"), download, &file));
    EXPECT_TRUE(file->isNew());
    EXPECT_EQ(file->getDownloadStatus(), 1);
    EXPECT_FALSE(file->isPercentCompleteNull());
    EXPECT_EQ(file->getPercentCompleteAsInt64(), 0);
    EXPECT_TRUE(file->isTempUriNull());
    EXPECT_EQ(file->getDownloadUrl(), download);
    EXPECT_TRUE(file->isContentIdNull());
    EXPECT_EQ(file->getNumber4AsInt32(), -1);
    EXPECT_TRUE(file->getFlag4());
    EXPECT_FALSE(file->getFlag1());
    EXPECT_TRUE(file->isNumber1Null());
    EXPECT_TRUE(file->getDownloadInfo().isEmpty());
    EXPECT_EQ(file->release(), 0) << "an unsaved object goes with the host's reference";
    EXPECT_EQ(count(QStringLiteral("node")), 0);
}

TEST_F(AcquiredFiles, QueuedFileJoinsTheQueueAndLeavesTheAcquiredPlaylistWithItsContentId) {
    M::QueuedFileInterface* file = addQueued(QStringLiteral("http://cdn/q.avi"), 9);
    const quint64 id = file->getId();
    EXPECT_EQ(items(kQueue), QList<quint64>({id}));
    EXPECT_EQ(items(kAcquired), QList<quint64>({id}));
    EXPECT_TRUE(column("queued_file", "temp_uri", id).isNull());
    EXPECT_EQ(column("queued_file", "download_url", id).toString(), QStringLiteral("http://dl/x"));
    EXPECT_EQ(column("queued_file", "download_status", id).toInt(), 1);
    EXPECT_EQ(column("queued_file", "percent_complete", id).toInt(), 0);

    file->clearContentId();
    file->setDownloadStatus(2);
    file->setPercentComplete(qint64(40));
    file->setTempUri(QUrl(QStringLiteral("file:///tmp/dl/q.part")));
    ASSERT_TRUE(file->save());
    EXPECT_EQ(items(kQueue), QList<quint64>({id}));
    EXPECT_TRUE(items(kAcquired).isEmpty());
    EXPECT_TRUE(column("acquired_file", "content_id", id).isNull());
    EXPECT_EQ(column("queued_file", "download_status", id).toInt(), 2);
    EXPECT_EQ(column("queued_file", "percent_complete", id).toInt(), 40);
    EXPECT_EQ(column("queued_file", "temp_uri", id).toString(),
              QStringLiteral("file:///tmp/dl/q.part"));
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    file->release();

    restart();
    M::QueuedFileInterface* loaded = nullptr;
    ASSERT_TRUE(library->getQueuedFile(id, &loaded));
    EXPECT_EQ(loaded->getDownloadStatus(), 2);
    EXPECT_EQ(loaded->getPercentCompleteAsUInt32(), 40u);
    EXPECT_EQ(loaded->getTempUri(), QUrl(QStringLiteral("file:///tmp/dl/q.part")));
    loaded->release();
}

TEST_F(AcquiredFiles, LookupsHandOutTheKindTheNodeIs) {
    M::QueuedFileInterface* queued = addQueued(QStringLiteral("http://cdn/q"), 1);
    M::AcquiredFileInterface* acquired = addAcquired(QStringLiteral("http://cdn/a"), 2);
    const quint64 queuedId = queued->getId();
    const quint64 acquiredId = acquired->getId();
    queued->release();
    acquired->release();
    restart();

    M::AcquiredFileInterface* found = nullptr;
    ASSERT_TRUE(library->getAcquiredFile(queuedId, &found));
    auto* asQueued = dynamic_cast<M::QueuedFileInterface*>(found);
    ASSERT_NE(asQueued, nullptr) << "a node with a queued row loads as a queued file";
    M::QueuedFileInterface* again = nullptr;
    ASSERT_TRUE(library->getQueuedFile(queuedId, &again));
    EXPECT_EQ(again, asQueued);
    again->release();
    found->release();

    again = nullptr;
    EXPECT_FALSE(library->getQueuedFile(acquiredId, &again));
    EXPECT_EQ(again, nullptr);
    ASSERT_TRUE(library->getAcquiredFile(acquiredId, &found));
    EXPECT_FALSE(library->getQueuedFile(acquiredId, &again)) << "live, but no queued file";
    found->release();

    const quint64 bare = insertNode(QStringLiteral("file:///bare"));
    found = nullptr;
    EXPECT_FALSE(library->getAcquiredFile(bare, &found));
    EXPECT_FALSE(library->findAcquiredFile(QUrl(QStringLiteral("http://cdn/none")), &found));
    EXPECT_EQ(found, nullptr);
}

TEST_F(AcquiredFiles, TransientDataIsSharedByTheObjectsOfANodeAndOutlivesThem) {
    M::QueuedFileInterface* held = addQueued(QStringLiteral("http://cdn/q"), 1);
    const quint64 id = held->getId();
    VireoStudio::DownloadInfo info;
    info.setValue(QStringLiteral("host"), 12);
    held->setNumber2(qint64(42));
    held->setFlag1(true);
    held->setDownloadInfo(info);

    // A second object for the node, while the first is still held: the node's video part is
    // deleted, which detaches the first, and the next look-up builds a new one.
    M::VideoFileInterface* video = nullptr;
    ASSERT_TRUE(library->newVideoFileForMediaFile(held, 1, 2, &video));
    ASSERT_TRUE(video->save());
    ASSERT_TRUE(library->deleteVideoFile(id));
    video->release();
    EXPECT_FALSE(held->isAttached());
    M::QueuedFileInterface* second = nullptr;
    ASSERT_TRUE(library->getQueuedFile(id, &second));
    ASSERT_NE(second, held);
    EXPECT_EQ(second->getNumber2AsInt64(), 42);
    EXPECT_TRUE(second->getFlag1());
    EXPECT_EQ(second->getDownloadInfo(), info);
    second->setNumber3(qint64(7));
    EXPECT_EQ(held->getNumber3AsInt64(), 7);
    held->release();
    second->release();

    // Pushed out of the cache by 200 newer acquired files, the object is destroyed; the one
    // built next (it reads the changed title) still has the node's transient values.
    exec(QStringLiteral("UPDATE media_file SET title = 'Reloaded' WHERE node_id = %1").arg(id));
    ASSERT_TRUE(checkDatabase().transaction());
    for (int i = 0; i < 200; ++i) {
        const quint64 filler = 1000 + i;
        exec(QStringLiteral("INSERT INTO node (node_id, uri, name) VALUES (%1, 'f%1', 'f')")
                 .arg(filler));
        exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type) VALUES (%1, 0)")
                 .arg(filler));
        exec(QStringLiteral("INSERT INTO acquired_file (node_id) VALUES (%1)").arg(filler));
    }
    ASSERT_TRUE(checkDatabase().commit());
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(library->getAcquiredFile(1000 + i, nullptr));
    ASSERT_TRUE(library->getQueuedFile(id, &second));
    EXPECT_EQ(second->getTitle(), QStringLiteral("Reloaded"));
    EXPECT_EQ(second->getNumber2AsInt64(), 42);
    EXPECT_EQ(second->getNumber3AsInt64(), 7);
    second->release();

    // Transient values are never stored.
    restart();
    ASSERT_TRUE(library->getQueuedFile(id, &second));
    EXPECT_TRUE(second->isNumber2Null());
    EXPECT_EQ(second->getNumber4AsInt32(), -1);
    second->release();
}

TEST_F(AcquiredFiles, DeletingTheDownloadOfAVideoFileKeepsTheVideoAndAcquiredFile) {
    M::QueuedFileInterface* queued = addQueued(QStringLiteral("http://cdn/q.avi"), 3);
    const quint64 id = queued->getId();
    queued->setNumber2(qint64(42));
    M::VideoFileInterface* video = nullptr;
    ASSERT_TRUE(library->newVideoFileForMediaFile(queued, 10, 20, &video));
    ASSERT_TRUE(video->save());
    messages.clear();

    ASSERT_TRUE(library->deleteQueuedFile(id));
    EXPECT_FALSE(queued->isAttached());
    EXPECT_FALSE(queued->save());
    EXPECT_TRUE(video->isAttached());
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")), QList<quint64>({id}));
    for (const char* table : {"node", "media_file", "video_file", "acquired_file"})
        EXPECT_EQ(count(QLatin1String(table)), 1) << table;
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0);
    EXPECT_TRUE(items(kQueue).isEmpty());
    EXPECT_EQ(items(kAcquired), QList<quint64>({id}));
    EXPECT_EQ(items(2), QList<quint64>({id}));

    M::AcquiredFileInterface* acquired = nullptr;
    ASSERT_TRUE(library->getAcquiredFile(id, &acquired));
    EXPECT_EQ(dynamic_cast<M::QueuedFileInterface*>(acquired), nullptr);
    EXPECT_EQ(acquired->getContentId(), 3u);
    acquired->release();

    // The download's transient state went with it: a later download of the node starts afresh.
    exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                        "VALUES (%1, 'http://dl/again', 1)")
             .arg(id));
    M::QueuedFileInterface* again = nullptr;
    ASSERT_TRUE(library->getQueuedFile(id, &again));
    EXPECT_TRUE(again->isNumber2Null());
    again->release();
    queued->release();
    video->release();
}

TEST_F(AcquiredFiles, DeletingAQueuedFileDeletesItsNode) {
    M::QueuedFileInterface* queued = addQueued(QStringLiteral("http://cdn/q.avi"), 3);
    const quint64 id = queued->getId();
    ASSERT_TRUE(queued->remove());
    EXPECT_FALSE(queued->isAttached());
    EXPECT_FALSE(queued->remove());
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")), QList<quint64>({id, id}));
    for (const char* table :
         {"node", "media_file", "acquired_file", "queued_file", "playlist_item"})
        EXPECT_EQ(count(QLatin1String(table)), 0) << table;
    queued->release();
}

TEST_F(AcquiredFiles, DeletingAnAcquiredFileKeepsItsNodeAndMediaRow) {
    M::QueuedFileInterface* queued = addQueued(QStringLiteral("http://cdn/q.avi"), 3);
    const quint64 id = queued->getId();
    ASSERT_TRUE(library->deleteAcquiredFile(id));
    EXPECT_FALSE(queued->isAttached());
    EXPECT_EQ(published(QStringLiteral("Media.Item.Changed")), QList<quint64>({id}));
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(count(QStringLiteral("media_file")), 1);
    EXPECT_EQ(count(QStringLiteral("acquired_file")), 0);
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0) << "the schema takes the download along";
    EXPECT_EQ(count(QStringLiteral("playlist_item")), 0);
    queued->release();

    // A plain acquired file's remove is the same delete.
    M::AcquiredFileInterface* acquired = addAcquired(QStringLiteral("http://cdn/a.avi"), 4);
    ASSERT_TRUE(acquired->remove());
    EXPECT_EQ(count(QStringLiteral("node")), 2);
    EXPECT_EQ(count(QStringLiteral("acquired_file")), 0);
    acquired->release();
}

TEST_F(AcquiredFiles, RemovingANodeFromTheQueuePlaylistDeletesTheDownload) {
    M::QueuedFileInterface* first = addQueued(QStringLiteral("http://cdn/1"));
    M::QueuedFileInterface* second = addQueued(QStringLiteral("http://cdn/2"));
    M::PlaylistInterface* queue = nullptr;
    ASSERT_TRUE(library->getPlaylistAt(kQueue, 0, &queue));
    EXPECT_EQ(queue->getItemCount(), 2);
    M::QueuedFileInterface* atZero = nullptr;
    ASSERT_TRUE(queue->getQueuedFileAt(0, &atZero));
    EXPECT_EQ(atZero, first);
    atZero->release();

    ASSERT_TRUE(queue->removeNode(first->getId()));
    EXPECT_FALSE(first->isAttached());
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(queue->getItemCount(), 1);
    ASSERT_TRUE(queue->getQueuedFileAt(0, &atZero));
    EXPECT_EQ(atZero, second);
    atZero->release();
    queue->release();
    first->release();
    second->release();
}

TEST_F(AcquiredFiles, UrlTextsQUrlCannotParseRoundTripUnchanged) {
    const QString uri = QStringLiteral("vireo_vod_file://ABC123");
    const QString download = QStringLiteral("vireo_vod_file://DL/456");
    M::QueuedFileInterface* file = addQueued(uri, 8, download);
    ASSERT_NE(file, nullptr);
    const quint64 id = file->getId();
    EXPECT_EQ(column("node", "uri", id).toString(), uri);
    EXPECT_EQ(column("node", "name", id).toString(), QStringLiteral("ABC123"));
    EXPECT_EQ(column("queued_file", "download_url", id).toString(), download);
    file->setTempUri(QUrl(QStringLiteral("vireo_vod_file://TMP"), QUrl::TolerantMode));
    ASSERT_TRUE(file->save());
    EXPECT_EQ(column("queued_file", "temp_uri", id).toString(),
              QStringLiteral("vireo_vod_file://TMP"));
    file->release();

    // Loaded, changed and stored again, the texts stay as they were.
    restart();
    M::AcquiredFileInterface* found = nullptr;
    ASSERT_TRUE(library->findAcquiredFile(QUrl(uri, QUrl::TolerantMode), &found));
    auto* queued = dynamic_cast<M::QueuedFileInterface*>(found);
    ASSERT_NE(queued, nullptr);
    EXPECT_FALSE(queued->isUriNull());
    EXPECT_FALSE(queued->isDownloadUrlNull());
    queued->setPercentComplete(qint64(50));
    ASSERT_TRUE(queued->save());
    EXPECT_EQ(column("node", "uri", id).toString(), uri);
    EXPECT_EQ(column("queued_file", "download_url", id).toString(), download);
    EXPECT_EQ(column("queued_file", "temp_uri", id).toString(),
              QStringLiteral("vireo_vod_file://TMP"));
    EXPECT_EQ(column("queued_file", "percent_complete", id).toInt(), 50);
    found->release();
}

TEST_F(AcquiredFiles, NewFilesForAUrlThatIsAMediaFileTakeItsValuesButCannotBeStored) {
    M::VideoFileInterface* video = addVideo(QStringLiteral("http://cdn/v.avi"));
    M::QueuedFileInterface* queued = nullptr;
    ASSERT_TRUE(library->newQueuedFile(QUrl(QStringLiteral("http://cdn/v.avi")),
                                       QStringLiteral("Given"), QUrl(QStringLiteral("http://dl/v")),
                                       &queued));
    EXPECT_TRUE(queued->isNew()) << "the node's id is not taken over";
    EXPECT_EQ(queued->getTitle(), QStringLiteral("Video title"));
    EXPECT_EQ(queued->getSizeAsInt64(), 700);
    EXPECT_EQ(queued->getMediaFileType(), 1);
    EXPECT_FALSE(queued->save()) << "the URL's node exists";
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(count(QStringLiteral("queued_file")), 0);
    EXPECT_TRUE(items(kQueue).isEmpty());
    queued->release();

    M::AcquiredFileInterface* acquired = nullptr;
    ASSERT_TRUE(library->newAcquiredFile(QUrl(QStringLiteral("http://cdn/v.avi")),
                                         QStringLiteral("Given"), 4, &acquired));
    EXPECT_EQ(acquired->getTitle(), QStringLiteral("Video title"));
    acquired->release();
    video->release();
}

TEST_F(AcquiredFiles, AcquiringAStoredVideoFileKeepsItsMediaValues) {
    M::VideoFileInterface* video = addVideo(QStringLiteral("file:///m/v.avi"));
    const quint64 id = video->getId();
    const QDateTime played(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC);
    video->setPlayCount(qint64(3));
    video->setUserRating(qint64(4));
    video->setDescription(QStringLiteral("about"));
    video->setLastPlayed(played);
    ASSERT_TRUE(video->save());

    M::VideoFileInterface* unsaved = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///m/new.avi")), QString(), 1, 1,
                                      &unsaved));
    M::AcquiredFileInterface* acquired = nullptr;
    EXPECT_FALSE(library->newAcquiredFileForMediaFile(unsaved, &acquired));
    EXPECT_FALSE(library->newAcquiredFileForMediaFile(nullptr, &acquired));
    unsaved->release();

    ASSERT_TRUE(library->newAcquiredFileForMediaFile(video, &acquired));
    EXPECT_EQ(acquired->getId(), id);
    EXPECT_EQ(acquired->getTitle(), QStringLiteral("Video title"));
    EXPECT_EQ(acquired->getMediaFileType(), 1);
    acquired->setContentId(quint64(9));
    ASSERT_TRUE(acquired->save());
    EXPECT_EQ(count(QStringLiteral("node")), 1);
    EXPECT_EQ(column("acquired_file", "content_id", id).toInt(), 9);
    EXPECT_EQ(column("media_file", "play_count", id).toInt(), 3);
    EXPECT_EQ(column("media_file", "user_rating", id).toInt(), 4);
    EXPECT_EQ(column("media_file", "description", id).toString(), QStringLiteral("about"));
    EXPECT_EQ(column("media_file", "size", id).toInt(), 700);
    EXPECT_EQ(column("media_file", "media_file_type", id).toInt(), 1);
    EXPECT_EQ(column("media_file", "last_played", id).toDateTime(), played);
    EXPECT_EQ(items(kAcquired), QList<quint64>({id}));
    EXPECT_TRUE(video->isAttached());
    acquired->release();

    M::AcquiredFileInterface* twice = nullptr;
    EXPECT_FALSE(library->newAcquiredFileForMediaFile(video, &twice)) << "acquired already";
    video->release();
}

TEST_F(AcquiredFiles, AFailedStoreLeavesNoPartialEntryAndNoTransientStateBehind) {
    exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON queued_file "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const qint64 nextId =
        scalar(QStringLiteral("SELECT coalesce(max(seq), 0) + 1 FROM sqlite_sequence "
                              "WHERE name = 'node'"))
            .toLongLong();
    M::QueuedFileInterface* file = nullptr;
    ASSERT_TRUE(library->newQueuedFile(QUrl(QStringLiteral("http://cdn/q")), QStringLiteral("Q"),
                                       QUrl(QStringLiteral("http://dl/q")), &file));
    file->setContentId(quint64(5));
    file->setNumber2(qint64(99));
    EXPECT_FALSE(file->save());
    EXPECT_TRUE(file->isNew()) << "the id of a rolled-back node must not stay with the object";
    for (const char* table :
         {"node", "media_file", "acquired_file", "queued_file", "playlist_item"})
        EXPECT_EQ(count(QLatin1String(table)), 0) << table;
    exec(QStringLiteral("DROP TRIGGER refuse"));

    // The next node is given the same id; when it becomes a download it starts afresh.
    M::VideoFileInterface* video = addVideo(QStringLiteral("file:///m/v.avi"));
    ASSERT_EQ(qint64(video->getId()), nextId);
    exec(QStringLiteral("INSERT INTO acquired_file (node_id) VALUES (%1)").arg(nextId));
    exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                        "VALUES (%1, 'http://dl/v', 1)")
             .arg(nextId));
    M::QueuedFileInterface* loaded = nullptr;
    ASSERT_TRUE(library->getQueuedFile(quint64(nextId), &loaded));
    EXPECT_TRUE(loaded->isNumber2Null());
    loaded->release();
    video->release();

    // Once the refusal is gone, the same object stores normally.
    EXPECT_TRUE(file->save());
    EXPECT_EQ(count(QStringLiteral("queued_file")), 2);
    file->release();
}

} // namespace
