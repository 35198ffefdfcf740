#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char kReadyMark[] = "ready-1";

const TestClip kClips[] = {
    {"harbour.mkv", true, 2000, "Harbour at Dawn", ""},
    {"plain.mp4", true, 3000, "", ""},
    {"broadcast.ts", true, 2000, "", ""},
    {"motion.avi", true, 1000, "Motion JPEG", ""},
    {"song.mp3", false, -1, "", "audio only"},
    {"still.png", false, -1, "", "a still image"},
    {"photo.jpg", false, -1, "", "a still image"},
    {"cover.mp3", false, -1, "", "audio only"},
    {nullptr, false, 0, nullptr, nullptr},
};

// The ffmpeg arguments that make each clip, in the order above (cover.mp3 needs song and still).
QList<QStringList> recipes() {
    const QString picture = QStringLiteral("testsrc=size=64x48:rate=10:duration=%1");
    const auto video = [&picture](int seconds) {
        return QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                           picture.arg(seconds)};
    };
    return {
        video(2) + QStringList{"-f", "lavfi", "-i", "sine=duration=2", "-c:v", "libx264", "-preset",
                               "ultrafast", "-c:a", "aac", "-shortest", "-metadata",
                               "title=Harbour at Dawn", "harbour.mkv"},
        video(3) + QStringList{"-c:v", "mpeg4", "plain.mp4"},
        video(2) + QStringList{"-c:v", "mpeg2video", "-f", "mpegts", "broadcast.ts"},
        video(1) + QStringList{"-c:v", "mjpeg", "-metadata", "title=Motion JPEG", "motion.avi"},
        QStringList{"-f", "lavfi", "-i", "sine=duration=1", "song.mp3"},
        video(1) + QStringList{"-frames:v", "1", "still.png"},
        video(1) + QStringList{"-frames:v", "1", "photo.jpg"},
        QStringList{"-i", "song.mp3", "-i", "still.png", "-map", "0", "-map", "1", "-c", "copy",
                    "-disposition:v:0", "attached_pic", "cover.mp3"},
    };
}

bool make(const QString& folder) {
    for (const QStringList& recipe : recipes()) {
        QProcess ffmpeg;
        ffmpeg.setWorkingDirectory(folder);
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     QStringList{"-nostdin", "-v", "error", "-y"} + recipe);
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg " << recipe.join(' ').toStdString() << ": "
                          << ffmpeg.readAllStandardError().toStdString();
            return false;
        }
    }
    return true;
}

} // namespace

const TestClip* testClips() {
    return kClips;
}

QString testMediaFolder() {
    const QString folder = QStringLiteral(ORV_TEST_MEDIA_DIR);
    QDir().mkpath(folder);
    // One process makes the clips; the others wait for it on the lock.
    const int lock = open(QFile::encodeName(folder + QStringLiteral("/.lock")).constData(),
                          O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    flock(lock, LOCK_EX);
    const QString ready = folder + QLatin1Char('/') + QLatin1String(kReadyMark);
    if (!QFile::exists(ready) && make(folder))
        QFile(ready).open(QIODevice::WriteOnly);
    flock(lock, LOCK_UN);
    close(lock);
    return folder;
}

QByteArray testClip(const char* name) {
    return QFile::encodeName(testMediaFolder() + QLatin1Char('/') + QLatin1String(name));
}
