// Probing: what a file says about itself, against what the generator was told; and damaged or
// hostile files, each ending in its category in bounded time.

#include "MediaProbe.h"
#include "TestMedia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const qint64 kDurationTolerance = 150;

TEST(Probing, ReadsWhatTheGeneratorWasTold) {
    for (const TestClip* clip = testClips(); clip->name; ++clip) {
        SCOPED_TRACE(clip->name);
        const QByteArray path = testClip(clip->name);
        const ProbeResult result = probeFile(path, ProbeLimits());
        EXPECT_EQ(result.kind, clip->video ? ProbeResult::Video : ProbeResult::NotVideo);
        EXPECT_EQ(result.size, QFile(QString::fromUtf8(path)).size());
        EXPECT_GT(result.modifiedNs, 0);
        if (clip->video) {
            EXPECT_NEAR(result.durationMs, clip->durationMs, kDurationTolerance);
            EXPECT_EQ(result.title, QString::fromUtf8(clip->title));
        } else {
            EXPECT_EQ(result.reason, QString::fromUtf8(clip->reason));
        }
    }
}

TEST(Probing, DamagedAndHostileFilesEndInACategoryInBoundedTime) {
    QTemporaryDir dir;
    const QByteArray at = QFile::encodeName(dir.path()) + '/';
    const auto write = [&at](const char* name, const QByteArray& bytes) {
        QFile file(QString::fromUtf8(at + name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    };
    const auto head = [](const char* clip, qsizetype bytes) {
        QFile file(QString::fromUtf8(testClip(clip)));
        file.open(QIODevice::ReadOnly);
        return file.read(bytes);
    };
    write("cut-in-header.mp4", head("plain.mp4", 6000)); // the index is at the end
    write("notes.mp4", "Shopping: bread, milk, film for the camera.\n");
    write("empty.mkv", QByteArray());
    write("playlist.mkv", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n"
                          "http://127.0.0.1:9/segment.ts\n#EXT-X-ENDLIST\n");
    write("concat.mp4", "ffconcat version 1.0\nfile /etc/hostname\n");
    ASSERT_EQ(mkfifo(at + "fifo.mkv", 0644), 0);
    ASSERT_EQ(mkdir(at + "folder.mkv", 0755), 0);
    ASSERT_EQ(symlink("loop.mkv", at + "loop.mkv"), 0);
    write("sparse.mkv", QByteArray());
    ASSERT_EQ(truncate(at + "sparse.mkv", 10LL * 1024 * 1024 * 1024), 0);

    const struct {
        const char* name;
        ProbeResult::Kind kind;
        const char* reason;
    } cases[] = {
        {"cut-in-header.mp4", ProbeResult::NotVideo, "not a media file"},
        {"notes.mp4", ProbeResult::NotVideo, "not a media file"},
        {"empty.mkv", ProbeResult::NotVideo, "an empty file"},
        {"playlist.mkv", ProbeResult::NotVideo, "not a media file"},
        {"concat.mp4", ProbeResult::NotVideo, "not a media file"},
        {"fifo.mkv", ProbeResult::NotVideo, "a FIFO"},
        {"folder.mkv", ProbeResult::NotVideo, "a folder"},
        {"loop.mkv", ProbeResult::Unreadable, "a symbolic link loop"},
        {"missing.mkv", ProbeResult::Unreadable, "No such file or directory"},
        {"sparse.mkv", ProbeResult::NotVideo, "not a media file"},
    };
    QElapsedTimer timer;
    timer.start();
    for (const auto& hostile : cases) {
        SCOPED_TRACE(hostile.name);
        const ProbeResult result = probeFile(at + hostile.name, ProbeLimits());
        EXPECT_EQ(result.kind, hostile.kind);
        EXPECT_EQ(result.reason, QString::fromUtf8(hostile.reason));
    }
    EXPECT_LT(timer.elapsed(), 10000);

    // A file cut short after its header is still the video the header describes.
    write("cut-short.mkv", head("harbour.mkv", 20000));
    EXPECT_EQ(probeFile(at + "cut-short.mkv", ProbeLimits()).kind, ProbeResult::Video);

    // The deadline holds whatever the file: with none left, every read is refused.
    ProbeLimits noTime;
    noTime.deadlineMilliseconds = 0;
    const ProbeResult late = probeFile(testClip("harbour.mkv"), noTime);
    EXPECT_EQ(late.kind, ProbeResult::Unreadable);
    EXPECT_EQ(late.reason, QStringLiteral("took longer than 0 ms to read"));
}

TEST(Probing, AFileWithoutPermissionIsUnreadable) {
    QTemporaryDir dir;
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()), 0755), 0);
    const QByteArray path = QFile::encodeName(dir.path()) + "/locked.mkv";
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(testClip("harbour.mkv")), QString::fromUtf8(path)));
    ASSERT_EQ(chmod(path, 0), 0);
    // Root reads any file: the probe runs in a child that gives up root first.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        const ProbeResult result = probeFile(path, ProbeLimits());
        _exit(result.kind == ProbeResult::Unreadable &&
                      result.reason == QStringLiteral("Permission denied")
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
