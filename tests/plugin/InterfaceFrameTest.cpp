// The slot order of the host's interfaces, and the frame every library operation shares: on a
// library that could not be opened each operation fails at once.

#include "support/PluginFixture.h"

#include "PubSubHub.h"
#include "VireoSettings.h"

#include <QFile>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <thread>

#include <cstdint>
#include <cstring>

namespace {

using VireoStudio::MediaManagerInterface;
typedef MediaManagerInterface M;

// Index of a virtual operation in its table, from the pointer-to-member representation: a
// virtual member is stored as 1 plus its byte offset in the table. A virtual destructor takes
// two entries, so the operation declared in slot k (k >= 1) sits at index k + 1.
template <typename F> std::ptrdiff_t tableIndex(F member) {
    std::uintptr_t word = 0;
    static_assert(sizeof(member) >= sizeof(word), "unexpected member pointer layout");
    std::memcpy(&word, &member, sizeof(word));
    if ((word & 1) == 0)
        return -1; // not virtual
    return std::ptrdiff_t((word - 1) / sizeof(void*));
}

template <typename F> std::ptrdiff_t slot(F member) {
    return tableIndex(member) - 1;
}

TEST(SlotOrder, MediaManagerInterfaceHasItsFortySlotsInOrder) {
    EXPECT_EQ(slot(&M::resetInterruptedDownloads), 1);
    EXPECT_EQ(slot(&M::isOpen), 2);
    EXPECT_EQ(slot(&M::commitTransaction), 5);
    EXPECT_EQ(slot(&M::getPlaylistCount), 6);
    EXPECT_EQ(slot(&M::getPlaylistIndex), 13);
    EXPECT_EQ(slot(&M::findMediaFile), 14);
    EXPECT_EQ(slot(&M::deleteVideoFile), 19);
    EXPECT_EQ(slot(&M::getRecentFileCount), 20);
    EXPECT_EQ(slot(&M::trimRecentFiles), 29);
    EXPECT_EQ(slot(&M::newAcquiredFile), 30);
    EXPECT_EQ(slot(&M::findAcquiredFileByContentId), 36);
    EXPECT_EQ(slot(&M::deleteQueuedFile), 39);
}

TEST(SlotOrder, RowInterfacesEndWhereTheirFamiliesSayTheyEnd) {
    EXPECT_EQ(slot(&M::RowInterface::save), 4);
    EXPECT_EQ(slot(&M::RowInterface::isNew), 8);
    EXPECT_EQ(slot(&M::NodeInterface::setCreateDate), 17);
    EXPECT_EQ(slot(&M::MediaFileInterface::isSizeNull), 18);
    EXPECT_EQ(slot(static_cast<bool (M::MediaFileInterface::*)(quint64)>(
                  &M::MediaFileInterface::setSize)),
              24);
    EXPECT_EQ(slot(&M::MediaFileInterface::isMediaFileTypeNull), 30);
    EXPECT_EQ(slot(&M::MediaFileInterface::clearUserRating), 48);
    EXPECT_EQ(slot(static_cast<bool (M::MediaFileInterface::*)(quint64)>(
                  &M::MediaFileInterface::setPlayCount)),
              55);
    EXPECT_EQ(slot(&M::VideoFileInterface::clearDuration), 63);
    EXPECT_EQ(slot(&M::AcquiredFileInterface::clearContentId), 63);
    EXPECT_EQ(slot(&M::QueuedFileInterface::isTempUriNull), 64);
    EXPECT_EQ(slot(&M::QueuedFileInterface::isNumber1Null), 81);
    EXPECT_EQ(slot(&M::QueuedFileInterface::isFlag1Null), 109);
    EXPECT_EQ(slot(&M::QueuedFileInterface::isNumber5Null), 124);
    EXPECT_EQ(slot(&M::QueuedFileInterface::setDownloadInfo), 133);
    EXPECT_EQ(slot(&M::RecentFileInterface::setPositions), 17);
    EXPECT_EQ(slot(&M::PlaylistInterface::getPlaylistType), 9);
    EXPECT_EQ(slot(&M::PlaylistInterface::sort), 17);
    EXPECT_EQ(slot(&M::PlaylistInterface::containsNode), 30);
    EXPECT_EQ(slot(&M::PlaylistInterface::getTotalDuration), 37);
}

TEST(SlotOrder, FrameworkAndSettingsTables) {
    EXPECT_EQ(slot(&Tarn::Plugin::queryInterface), 6);
    EXPECT_EQ(slot(&PluginHost::pluginReleasing), 8);
    EXPECT_EQ(slot(&PluginHost::pluginReleased), 9);
    typedef vds::IVireoSettings S;
    EXPECT_EQ(slot(static_cast<bool (S::*)(QString&)>(&S::getName)), 4);
    EXPECT_EQ(slot(static_cast<bool (S::*)(const char*, const QString&)>(&S::setString)), 33);
    EXPECT_EQ(slot(static_cast<bool (S::*)(const char*, qint64&)>(&S::getInt64)), 37);
    EXPECT_EQ(slot(static_cast<bool (S::*)(const char*, quint32&)>(&S::getInt)), 41);
    EXPECT_EQ(slot(static_cast<bool (S::*)(const char*, QString&)>(&S::getString)), 55);
    EXPECT_EQ(slot(&S::remove), 58);
    EXPECT_EQ(slot(static_cast<bool (S::*)(const char*)>(&S::deleteValue)), 60);
}

class ClosedLibrary : public PluginFixture {
protected:
    bool startsPlugin() const override { return false; }
    void SetUp() override {
        PluginFixture::SetUp();
        // A file of random bytes where the library should be: it opens, but nothing runs on it.
        ASSERT_TRUE(QDir().mkpath(playerFolder()));
        QFile junk(libraryPath());
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        QByteArray bytes(4096, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919 + 13) % 251);
        junk.write(bytes);
        junk.close();
        original = bytes;
        startPlugin();
    }
    QByteArray original;
};

TEST_F(ClosedLibrary, EveryLibraryOperationFailsAtOnce) {
    ASSERT_FALSE(library->isOpen());
    const QUrl url(QStringLiteral("file:///movies/a.avi"));
    const QString name(QStringLiteral("Mix"));
    M::PlaylistInterface* playlist = nullptr;
    M::MediaFileInterface* media = nullptr;
    M::VideoFileInterface* video = nullptr;
    M::RecentFileInterface* recent = nullptr;
    M::AcquiredFileInterface* acquired = nullptr;
    M::QueuedFileInterface* queued = nullptr;
    quint64 count = 7;
    qint64 index = 7;

    EXPECT_FALSE(library->resetInterruptedDownloads());
    EXPECT_EQ(library->getPlaylistCount(2), 0);
    EXPECT_FALSE(library->getPlaylistAt(2, 0, &playlist));
    EXPECT_FALSE(library->getPlaylist(1, &playlist));
    EXPECT_FALSE(library->getPlaylist(quint64(-1), &playlist));
    EXPECT_FALSE(library->findPlaylist(name, &playlist));
    EXPECT_FALSE(library->newPlaylist(name, 1, &playlist));
    EXPECT_FALSE(library->deletePlaylist(1));
    EXPECT_FALSE(library->getPlaylistIndex(255, name, &index));
    EXPECT_FALSE(library->findMediaFile(url, &media));
    EXPECT_FALSE(library->getMediaFile(1, &media));
    EXPECT_FALSE(library->newVideoFile(url, name, 1, 1, &video));
    EXPECT_FALSE(library->deleteVideoFile(1));
    EXPECT_FALSE(library->getRecentFileCount(&count));
    EXPECT_FALSE(library->getRecentFile(1, &recent));
    EXPECT_FALSE(library->findRecentFile(url, &recent));
    EXPECT_FALSE(library->getRecentFileAt(0, &recent));
    EXPECT_FALSE(library->newRecentFileForNode(1, &recent));
    EXPECT_FALSE(library->newRecentFile(url, &recent));
    EXPECT_FALSE(library->deleteRecentFile(1));
    EXPECT_FALSE(library->trimRecentFiles());
    EXPECT_FALSE(library->newAcquiredFile(url, name, 5, &acquired));
    EXPECT_FALSE(library->findAcquiredFile(url, &acquired));
    EXPECT_FALSE(library->getAcquiredFile(1, &acquired));
    EXPECT_FALSE(library->deleteAcquiredFile(1));
    EXPECT_FALSE(library->findAcquiredFileByContentId(5, &acquired));
    EXPECT_FALSE(library->newQueuedFile(url, name, url, &queued));
    EXPECT_FALSE(library->getQueuedFile(1, &queued));
    EXPECT_FALSE(library->deleteQueuedFile(1));
    EXPECT_FALSE(library->saveVideoFile(nullptr));
    EXPECT_FALSE(library->saveRecentFile(nullptr));
    EXPECT_FALSE(library->updateRecentFile(nullptr));
    EXPECT_FALSE(library->saveAcquiredFile(nullptr));

    // Nothing was handed out, and nothing was written over the file.
    EXPECT_EQ(playlist, nullptr);
    EXPECT_EQ(media, nullptr);
    EXPECT_EQ(video, nullptr);
    EXPECT_EQ(recent, nullptr);
    EXPECT_EQ(acquired, nullptr);
    EXPECT_EQ(queued, nullptr);
    EXPECT_TRUE(messages.isEmpty());
    stopPlugin();
    QFile file(libraryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
}

class LockedFrame : public PluginFixture {};

// An operation that found the library open and then waited for the lock, while the library was
// closed under it on another thread, must see the library closed when it gets the lock: a
// closed library answers nothing, not even from the objects it still knows.
TEST_F(LockedFrame, AnOperationWaitingForTheLockSeesTheLibraryClosedMeanwhile) {
    M::VideoFileInterface* video = nullptr;
    ASSERT_TRUE(library->newVideoFile(QUrl(QStringLiteral("file:///v/a.avi")), QStringLiteral("A"),
                                      1, 1, &video));
    ASSERT_TRUE(video->save());
    const quint64 videoId = video->getId();
    M::PlaylistInterface* mix = nullptr;
    ASSERT_TRUE(library->newPlaylist(QStringLiteral("Mix"), 1, &mix));
    ASSERT_TRUE(library->addPlaylist(mix));
    const quint64 mixId = mix->getId();
    mix->release();
    // The recovery of downloads closes a library whose queue it cannot read.
    exec(QStringLiteral("ALTER TABLE queued_file RENAME TO queued_file_gone"));
    closeCheckDatabase();

    // The change message of a delete is published with the lock held: from there another
    // thread starts an operation (it waits for the lock), and the recovery closes the library.
    std::atomic<int> lookedUp{-1};
    std::thread waiting;
    const int subscription =
        VireoStudio::PubSubHub::subscribe([&](const QString& name, const QVariant&) {
            if (name != QLatin1String("Media.List.Changed") || waiting.joinable())
                return;
            waiting = std::thread([&] { lookedUp = library->getMediaFile(videoId, nullptr); });
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            EXPECT_FALSE(library->resetInterruptedDownloads());
        });
    EXPECT_TRUE(library->deletePlaylist(mixId));
    VireoStudio::PubSubHub::unsubscribe(subscription);
    ASSERT_TRUE(waiting.joinable());
    waiting.join();
    EXPECT_FALSE(library->isOpen());
    EXPECT_EQ(lookedUp, 0);
    video->release();
}

} // namespace
