// Operations that write, run while the disk fails them: the k-th read, write, sync or truncation
// of any SQLite file fails once, or fails with every call after it, for k = 1, 2, ... until the
// operation gets through without meeting the fault. Every run must end in one of two ways:
// success with every row written, or failure with the library as it was. After a single fault
// the same plugin must carry the operation out when asked again.

#include "FaultVfs.h"
#include "ReliabilityFixture.h"

#include <QDir>
#include <QFile>

#include <functional>

namespace {

using orvtest::FaultVfs;
typedef VireoStudio::MediaManagerInterface M;

const int kRecentMaximum = 3;

// One operation under faults. start and finish run fault-free around it (finish releases what
// start acquired); after a single fault, retry (the operation itself when not given) must carry
// it out. settle, when given, runs fault-free after an operation that succeeded, before its
// rows are compared: work the operation may leave to the next one of its kind.
struct FaultCase {
    const char* name;
    std::function<void()> start;
    std::function<bool()> operation;
    std::function<void()> finish;
    std::function<bool()> retry = nullptr;
    std::function<void()> settle = nullptr;
};

class FaultInjection : public ReliabilityFixture {
protected:
    void SetUp() override {
        FaultVfs::install();
        ReliabilityFixture::SetUp();
    }

    QString templatePath() const { return dir->path() + QStringLiteral("/template.library"); }

    // Puts the library file back as the template has it (no file when there is no template).
    void restoreLibrary() {
        closeCheckDatabase();
        QFile::remove(libraryPath());
        QFile::remove(libraryPath() + QStringLiteral("-journal"));
        if (QFile::exists(templatePath())) {
            ASSERT_TRUE(QFile::copy(templatePath(), libraryPath()));
        }
    }

    // Keeps the library as it is now as the state every run starts from.
    void keepAsTemplate() {
        stopPlugin();
        closeCheckDatabase();
        QFile::remove(templatePath());
        ASSERT_TRUE(QFile::copy(libraryPath(), templatePath()));
    }

    // A plugin started on the restored library, with the case's objects acquired.
    void startCase(const FaultCase& fault) {
        restoreLibrary();
        fault.start();
    }
    // The rows the case left; a library with no table at all (a start-up that did not happen)
    // has none and needs no integrity check.
    QStringList finishCase(const FaultCase& fault) {
        fault.finish();
        stopPlugin();
        const QStringList rows = QFile::exists(libraryPath()) ? dumpLibrary() : QStringList();
        if (!rows.isEmpty())
            expectIntact(kRecentMaximum);
        closeCheckDatabase();
        return rows;
    }

    static int failuresSoFar() {
        return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    }

    // Every k of both fault modes; returns the number of runs that met a fault.
    int runFaults(const FaultCase& fault) {
        SCOPED_TRACE(fault.name);
        startCase(fault);
        const QStringList before = QFile::exists(libraryPath()) ? dumpLibrary() : QStringList();
        closeCheckDatabase();
        EXPECT_TRUE(fault.operation()) << "the operation fails without a fault";
        if (fault.settle)
            fault.settle();
        const QStringList done = finishCase(fault);
        EXPECT_FALSE(before == done);

        int tried = 0;
        for (FaultVfs::Mode mode : {FaultVfs::FailOnce, FaultVfs::FailFromThenOn}) {
            const bool once = mode == FaultVfs::FailOnce;
            for (quint64 k = 1;; ++k) {
                SCOPED_TRACE(testing::Message()
                             << (once ? "call " : "calls from ") << k << " fail");
                const int failures = failuresSoFar();
                startCase(fault);
                FaultVfs::arm(mode, k);
                const bool succeeded = fault.operation();
                const bool met = FaultVfs::fired();
                FaultVfs::disarm();
                if (!succeeded) {
                    // Seen from another connection while the plugin still runs.
                    const QStringList failed = dumpLibrary();
                    closeCheckDatabase();
                    EXPECT_TRUE(failed == before) << "reported failure, library changed:\n"
                                                  << orvtest::rowDifference(failed, before);
                }
                const bool completed =
                    succeeded || (once && (fault.retry ? fault.retry() : fault.operation()));
                if (once && !succeeded) {
                    EXPECT_TRUE(completed) << "the operation fails again without a fault";
                }
                if (completed && fault.settle)
                    fault.settle();
                const QStringList after = finishCase(fault);
                if (completed) {
                    EXPECT_TRUE(after == done)
                        << (succeeded ? "reported success" : "succeeded when asked again")
                        << ", rows differ:\n"
                        << orvtest::rowDifference(after, done);
                } else {
                    EXPECT_TRUE(after == before) << "reported failure, library changed:\n"
                                                 << orvtest::rowDifference(after, before);
                }
                if (!met || failuresSoFar() > failures)
                    break;
                ++tried;
            }
        }
        return tried;
    }

    // A library with video files, a user playlist, a full recent list and two downloads in
    // the queue, one of them also a video file.
    void buildLibrary() {
        setRecentFileMaximum(kRecentMaximum);
        startPlugin();
        ASSERT_TRUE(library->isOpen());
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            M::VideoFileInterface* file = nullptr;
            const QString title = QStringLiteral("Title %1").arg(QLatin1String(name));
            ASSERT_TRUE(library->newVideoFile(
                QUrl(QStringLiteral("file:///media/%1.avi").arg(QLatin1String(name))), title, 100,
                60, &file));
            ASSERT_TRUE(file->save());
            videoIds << file->getId();
            file->release();
        }
        M::PlaylistInterface* mix = nullptr;
        ASSERT_TRUE(library->newPlaylist(QStringLiteral("Mix"), 1, &mix));
        ASSERT_TRUE(mix->save());
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(mix->insertNodeAt(quint64(i), videoIds.at(i)));
        mixId = mix->getId();
        mix->release();
        for (int i = 0; i < kRecentMaximum; ++i)
            ASSERT_TRUE(saveRecent(QStringLiteral("file:///media/played%1.avi").arg(i)));
        stampPlaysInOrder();
        queuedOnly = insertQueued(QStringLiteral("vireo_vod_file://ticket1"), false);
        queuedVideo = insertQueued(QStringLiteral("file:///downloads/done.avi"), true);
        keepAsTemplate();
    }

    bool saveRecent(const QString& url) {
        M::RecentFileInterface* recent = nullptr;
        if (!library->newRecentFile(QUrl(url), &recent))
            return false;
        recent->setPositions(positions());
        const bool saved = recent->save();
        recent->release();
        return saved;
    }

    static M::TitlePositionList positions() {
        M::TitlePositionList list;
        for (int title = 1; title <= 3; ++title)
            list << M::TitlePosition{title, 2, 3, title * 1000};
        return list;
    }

    // A queued download written as the download manager leaves it: node, media, acquired and
    // queued rows, the queue playlist's item, and for a finished one the video file.
    quint64 insertQueued(const QString& uri, bool video) {
        const quint64 id = insertNode(uri);
        exec(QStringLiteral("INSERT INTO media_file (node_id, media_file_type, size, title) "
                            "VALUES (%1, 0, 10, 'queued')")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO acquired_file (node_id, content_provider, content_id) "
                            "VALUES (%1, 'provider', %1)")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO queued_file (node_id, download_url, download_status) "
                            "VALUES (%1, 'http://example.com/%1', 1)")
                 .arg(id));
        exec(QStringLiteral("INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                            "VALUES (%1, %2, %3)")
                 .arg(playlistIdOfType(16))
                 .arg(id)
                 .arg(id));
        if (video)
            exec(QStringLiteral("INSERT INTO video_file (node_id, duration) VALUES (%1, 5)")
                     .arg(id));
        return id;
    }

    // A case on a plugin started on the library, holding nothing.
    FaultCase plainCase(const char* name, std::function<bool()> operation) {
        return FaultCase{name, [this] { startPlugin(); }, operation, [] {}, {}};
    }

    QList<quint64> videoIds;
    quint64 mixId = 0;
    quint64 queuedOnly = 0;
    quint64 queuedVideo = 0;
};

TEST_F(FaultInjection, StartUpWithBothImportsIsWholeOrAbsent) {
    {
        LegacyDatabase legacy(legacyDatabasePath());
        for (int i = 1; i <= 6; ++i)
            legacy.addFile(i, QStringLiteral("file:///old/clip%1.avi").arg(i));
        legacy.addPlaylist(100, QStringLiteral("All Videos"));
        legacy.addPlaylist(101, QStringLiteral("Holiday"));
        legacy.addMember(100, 1);
        legacy.addMember(100, 2);
        legacy.addMember(101, 3);
    }
    writeQueue(legacyFolder() + QStringLiteral("/downloadmanager.xml"),
               "<DownloadItem url=\"http://example.com/1\" ticket=\"T1\" status=\"3\" "
               "title=\"Queued\" fileSize=\"10\"/>"
               "<DownloadItem url=\"http://example.com/2\" ticket=\"T2\" status=\"4\" "
               "filePath=\"C:\\Movies\\done.avi\" title=\"Done\"/>"
               "<DownloadItem url=\"http://example.com/3\" ticket=\"T3\" status=\"4\" "
               "encrypted=\"true\" filePath=\"/movies/locked.avi\"/>");
    QDir().mkpath(playerFolder());
    const auto start = [this] {
        startPlugin();
        return library->isOpen();
    };
    const FaultCase startUp{"start-up", [] {}, start, [] {},
                            [this, start] {
                                stopPlugin();
                                return start();
                            }};
    const int tried = runFaults(startUp);
    EXPECT_GT(tried, 50);
    std::printf("start-up: %d fault points\n", tried);
}

TEST_F(FaultInjection, StoringVideoFilesIsWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(buildLibrary());
    M::VideoFileInterface* file = nullptr;
    const auto save = [&] { return library->saveVideoFile(file); };
    const auto release = [&] { file->release(); };
    int tried = runFaults({"saveVideoFile of a new file",
                           [&] {
                               startPlugin();
                               library->newVideoFile(QUrl(QStringLiteral("file:///new.avi")),
                                                     QStringLiteral("New"), 5, 6, &file);
                           },
                           save, release});
    tried += runFaults({"saveVideoFile of a stored file",
                        [&] {
                            startPlugin();
                            M::MediaFileInterface* media = nullptr;
                            library->getMediaFile(videoIds.at(1), &media);
                            file = dynamic_cast<M::VideoFileInterface*>(media);
                            file->setTitle(QStringLiteral("Renamed"));
                            file->setDuration(qint64(99));
                        },
                        save, release});
    tried += runFaults(plainCase("deleteVideoFile of a finished download",
                                 [&] { return library->deleteVideoFile(queuedVideo); }));
    EXPECT_GT(tried, 60);
    std::printf("video files: %d fault points\n", tried);
}

// The entry is stored whole or not at all. Its save commits it before trimming the list, and a
// trim that fails costs the entry nothing: the list may stay one entry long until the next
// save trims it, which the settle step is.
TEST_F(FaultInjection, RecordingPlaysIsWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(buildLibrary());
    M::RecentFileInterface* recent = nullptr;
    const auto save = [&] { return library->saveRecentFile(recent); };
    const auto release = [&] { recent->release(); };
    const auto saveAgain = [&] { EXPECT_TRUE(library->saveRecentFile(recent)); };
    int tried = runFaults({"saveRecentFile of a new entry with several titles, trimming the list",
                           [&] {
                               startPlugin();
                               library->newRecentFile(QUrl(QStringLiteral("file:///media/now.avi")),
                                                      &recent);
                               recent->setPositions(positions());
                           },
                           save, release, nullptr, saveAgain});
    tried += runFaults({"saveRecentFile of a stored entry with new titles",
                        [&] {
                            startPlugin();
                            library->getRecentFileAt(1, &recent);
                            M::TitlePositionList moved = positions();
                            moved.removeLast();
                            moved.first().positionMsecs = 77;
                            recent->setPositions(moved);
                        },
                        save, release, nullptr, saveAgain});
    EXPECT_GT(tried, 40);
    std::printf("recent files: %d fault points\n", tried);
}

TEST_F(FaultInjection, ChangingPlaylistsIsWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(buildLibrary());
    M::PlaylistInterface* mix = nullptr;
    const auto startWithMix = [&] {
        startPlugin();
        library->getPlaylist(mixId, &mix);
    };
    const auto release = [&] { mix->release(); };
    int tried = runFaults({"insertNodeAt", startWithMix,
                           [&] { return mix->insertNodeAt(1, videoIds.at(4)); }, release});
    const int byTitleDescending = 20 | M::SORT_DESCENDING;
    tried +=
        runFaults({"sort", startWithMix, [&] { return mix->sort(byTitleDescending); }, release});
    tried += runFaults({"renaming a playlist", startWithMix,
                        [&] { return mix->setName(QStringLiteral("Remix")); }, release});
    tried += runFaults(plainCase("deletePlaylist", [&] { return library->deletePlaylist(mixId); }));
    tried += runFaults({"storing a new playlist",
                        [&] {
                            startPlugin();
                            library->newPlaylist(QStringLiteral("Fresh"), 1, &mix);
                        },
                        [&] { return library->addPlaylist(mix); }, release});
    EXPECT_GT(tried, 60);
    std::printf("playlists: %d fault points\n", tried);
}

TEST_F(FaultInjection, DeletingDownloadsIsWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(buildLibrary());
    int tried = runFaults(plainCase("deleteQueuedFile of a download only",
                                    [&] { return library->deleteQueuedFile(queuedOnly); }));
    tried += runFaults(plainCase("deleteQueuedFile of a finished download",
                                 [&] { return library->deleteQueuedFile(queuedVideo); }));
    EXPECT_GT(tried, 20);
    std::printf("downloads: %d fault points\n", tried);
}

} // namespace
