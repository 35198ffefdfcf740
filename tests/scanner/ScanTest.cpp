// The scan and the re-scan through the plugin's interface: what is stored, letter case and
// names that are not UTF-8, batches that survive a kill whole, and re-scans that open only the
// files that changed.

#include "Scan.h"
#include "FileUrls.h"
#include "HeldRow.h"
#include "MediaProbe.h"
#include "Rescan.h"
#include "TestMedia.h"
#include "support/PluginFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

namespace {

typedef VireoStudio::MediaManagerInterface M;

class ScanTest : public PluginFixture {
protected:
    QByteArray media() const { return QFile::encodeName(dir->path() + QStringLiteral("/media")); }
    QString record() const { return dir->path() + QStringLiteral("/cache/scan-record"); }

    // Copies a test clip into the media folder under a name of its own (any bytes).
    void place(const char* clip, const QByteArray& name) {
        const QByteArray path = media() + '/' + name;
        QDir().mkpath(QFileInfo(QString::fromUtf8(path)).absolutePath());
        QFile source(QString::fromUtf8(testClip(clip)));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        close(fd);
    }

    ScanCounts scan(QList<FileReport>* reports = nullptr) {
        ScanOptions options;
        options.recordFile = record();
        Scan scanner(library, options);
        scanner.report = [reports](const FileReport& report) {
            if (reports)
                reports->append(report);
        };
        QString error;
        EXPECT_TRUE(scanner.run({media()}, &error)) << error.toStdString();
        return scanner.counts();
    }

    ScanCounts rescan(bool prune = false, bool full = false) {
        RescanOptions options;
        options.recordFile = record();
        options.libraryFile = libraryPath();
        options.prune = prune;
        options.full = full;
        pluginAsked = false;
        Rescan rescanner(
            [this] {
                pluginAsked = true;
                return library;
            },
            options);
        QString error;
        EXPECT_TRUE(rescanner.run({media()}, &error)) << error.toStdString();
        return rescanner.counts();
    }

    // Whether the last re-scan asked for the library (else it took the listing it kept).
    bool pluginAsked = false;

    // The stored video file of a name in the media folder.
    bool stored(const QByteArray& name, Held<M::MediaFileInterface>& file) {
        return library->findMediaFile(fileUrlFromPath(media() + '/' + name), file.out());
    }
};

TEST_F(ScanTest, StoresTheVideoFilesWithWhatTheySay) {
    for (const TestClip* clip = testClips(); clip->name; ++clip)
        place(clip->name, QByteArray("in/") + clip->name);
    const ScanCounts first = scan();
    EXPECT_EQ(first.added, 4);
    EXPECT_EQ(first.notVideo, 4);
    EXPECT_EQ(first.unreadable, 0);
    for (const TestClip* clip = testClips(); clip->name; ++clip) {
        SCOPED_TRACE(clip->name);
        Held<M::MediaFileInterface> file;
        ASSERT_EQ(stored(QByteArray("in/") + clip->name, file), clip->video);
        if (!clip->video)
            continue;
        const QString title = *clip->title ? QString::fromUtf8(clip->title)
                                           : QString::fromUtf8(clip->name).section('.', 0, 0);
        EXPECT_EQ(file->getTitle(), title);
        EXPECT_EQ(file->getSizeAsInt64(),
                  QFileInfo(QString::fromUtf8(testClip(clip->name))).size());
        auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
        ASSERT_TRUE(video);
        EXPECT_NEAR(video->getDurationAsInt64(), clip->durationMs, 150);
    }
    EXPECT_EQ(count(QStringLiteral("video_file")), 4);

    // Again: nothing is added twice, and what the record knows is not read again.
    const ScanCounts second = scan();
    EXPECT_EQ(second.added, 0);
    EXPECT_EQ(second.already, 4);
    EXPECT_EQ(second.notVideo, 4);
    EXPECT_EQ(count(QStringLiteral("video_file")), 4);
}

TEST_F(ScanTest, NamesDifferingInLetterCaseOrNotUtf8AreFilesOfTheirOwn) {
    place("plain.mp4", "Film.mp4");
    place("plain.mp4", "film.mp4");
    place("plain.mp4", "caf\xe9.mp4");
    place("plain.mp4", "caf\xe8.mp4");
    QList<FileReport> reports;
    const ScanCounts counts = scan(&reports);
    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(counts.collisions, 1);
    for (const FileReport& report : reports) {
        if (report.outcome == Outcome::CaseCollision) {
            // The probers finish in any order: whichever name is stored first, the other is
            // the collision, and it names the stored one.
            const bool lower = report.path.endsWith("/film.mp4");
            EXPECT_TRUE(lower || report.path.endsWith("/Film.mp4"));
            EXPECT_TRUE(report.reason.contains(lower ? QStringLiteral("/Film.mp4 (id ")
                                                     : QStringLiteral("/film.mp4 (id ")));
        }
    }
    // Each name is its own entry, and its URL leads back to its file.
    for (const QByteArray name : {"caf\xe9.mp4", "caf\xe8.mp4"}) {
        Held<M::MediaFileInterface> file;
        ASSERT_TRUE(stored(name, file));
        const QByteArray path = pathFromFileUrl(file->getUri());
        EXPECT_EQ(path, media() + '/' + name);
        const int fd = open(path.constData(), O_RDONLY);
        EXPECT_GE(fd, 0);
        close(fd);
        unlink(path.constData()); // QTemporaryDir cannot remove a name that is not UTF-8
    }
}

TEST_F(ScanTest, AScanKilledHalfWayLeavesWholeBatchesOfWholeFiles) {
    for (int i = 0; i < 100; ++i)
        place("plain.mp4", QByteArray("clip") + QByteArray::number(i) + ".mp4");
    stopPlugin();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(ORV_SCAN_CHILD_PATH), {QString::fromUtf8(media())});
    QByteArray said;
    while (!said.contains("mid-batch") && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    ASSERT_TRUE(said.contains("committed 20\ncommitted 40\nmid-batch")) << said.toStdString();
    child.kill();
    child.waitForFinished();

    startPlugin();
    EXPECT_EQ(count(QStringLiteral("video_file")), 40);
    EXPECT_EQ(count(QStringLiteral("media_file")), 40);
    EXPECT_EQ(count(QStringLiteral("node")), 40);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM media_file JOIN video_file USING "
                                    "(node_id) WHERE size > 0 AND duration > 0 AND title "
                                    "LIKE 'clip%'"))
                  .toLongLong(),
              40);
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), "ok");
}

TEST_F(ScanTest, RescanReadsOnlyWhatChangedAndPrunesWhatIsGone) {
    place("plain.mp4", "same.mp4");
    place("broadcast.ts", "changed.mkv");
    place("motion.avi", "gone.avi");
    ASSERT_EQ(scan().added, 3);
    Held<M::MediaFileInterface> gone;
    ASSERT_TRUE(stored("gone.avi", gone));
    const quint64 goneId = gone->getId();
    gone.reset();

    place("harbour.mkv", "changed.mkv");
    QFile::remove(QString::fromUtf8(media() + "/gone.avi"));
    const ScanCounts first = rescan();
    EXPECT_EQ(first.found, 3);
    EXPECT_EQ(first.probed, 1);
    EXPECT_EQ(first.unchanged, 1);
    EXPECT_EQ(first.updated, 1);
    EXPECT_EQ(first.gone, 1);
    EXPECT_EQ(first.pruned, 0);
    Held<M::MediaFileInterface> changed;
    ASSERT_TRUE(stored("changed.mkv", changed));
    EXPECT_EQ(changed->getTitle(), QStringLiteral("Harbour at Dawn"));
    EXPECT_EQ(changed->getSizeAsInt64(),
              QFileInfo(QString::fromUtf8(testClip("harbour.mkv"))).size());
    ASSERT_TRUE(stored("gone.avi", gone));
    gone.reset();

    const ScanCounts pruning = rescan(true);
    EXPECT_EQ(pruning.probed, 0);
    EXPECT_EQ(pruning.pruned, 1);
    EXPECT_FALSE(stored("gone.avi", gone));
    EXPECT_TRUE(published(QStringLiteral("Media.Item.Changed")).contains(goneId));

    // A damaged or lost record costs reading every file again, as does --full; nothing else
    // changes.
    QFile damaged(record());
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.resize(damaged.size() / 2));
    damaged.close();
    EXPECT_EQ(rescan().probed, 2);
    EXPECT_EQ(rescan().probed, 0);
    QFile::remove(record());
    EXPECT_EQ(rescan().probed, 2);
    EXPECT_TRUE(pluginAsked);
    // The library is as it was read: its files come from the listing kept, without the plugin.
    EXPECT_EQ(rescan().probed, 0);
    EXPECT_FALSE(pluginAsked);
    const ScanCounts full = rescan(false, true);
    EXPECT_EQ(full.probed, 2);
    EXPECT_EQ(full.unchanged, 2);
    EXPECT_FALSE(pluginAsked);

    // Another host adds a file: the library file changed, so it is read again.
    place("plain.mp4", "other.mp4");
    Held<M::VideoFileInterface> added;
    ASSERT_TRUE(
        library->newVideoFile(fileUrlFromPath(media() + "/other.mp4"), "Other", 1, 1, added.out()));
    ASSERT_TRUE(added->save());
    const ScanCounts afterAdd = rescan();
    EXPECT_TRUE(pluginAsked);
    EXPECT_EQ(afterAdd.found, 3);
    EXPECT_EQ(afterAdd.updated, 1);
}

} // namespace
