// The thumbnailer against the freedesktop Thumbnail Managing Standard: where pictures go and
// what they are named, their sizes and text chunks, the cache's permissions, stale and foreign
// pictures, and the record of files that fail, on clips the ffmpeg command makes.

#include "OrvVersion.h"
#include "TestMedia.h"
#include "ThumbnailPool.h"
#include "Thumbnailer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

// Clips of the thumbnailer's own, made once per build folder beside the scanner's: one black
// for its first half second and white after (a picture near a tenth of its ten seconds is
// white), and one whose pixels are not square (720x576 shown as 1024x576).
QByteArray thumbnailClip(const char* name) {
    const QString folder = testMediaFolder() + QStringLiteral("/thumbnails");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const int lock = open(QFile::encodeName(folder + QStringLiteral("/.lock")).constData(),
                          O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    flock(lock, LOCK_EX);
    if (!QFile::exists(path)) {
        const QStringList recipe =
            QByteArray(name) == "late-white.mp4"
                ? QStringList{"-f",
                              "lavfi",
                              "-i",
                              "color=black:s=320x180:r=25:d=0.5[a];"
                              "color=white:s=320x180:r=25:d=9.5[b];[a][b]concat[out0]",
                              "-c:v",
                              "mpeg4",
                              "-g",
                              "25"}
                : QStringList{
                      "-f",  "lavfi",        "-i",   "testsrc=size=720x576:rate=25:duration=1",
                      "-vf", "setsar=64/45", "-c:v", "mpeg4"};
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     QStringList{"-nostdin", "-v", "error", "-y"} + recipe +
                         QStringList{path + QStringLiteral(".part.") + path.section('.', -1)});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            ADD_FAILURE() << "ffmpeg: " << ffmpeg.readAllStandardError().toStdString();
        QFile::rename(path + QStringLiteral(".part.") + path.section('.', -1), path);
    }
    flock(lock, LOCK_UN);
    close(lock);
    return QFile::encodeName(path);
}

std::string textOf(const QString& png, const char* key) {
    return QImage(png).text(QString::fromLatin1(key)).toStdString();
}

int modeOf(const QString& path) {
    struct stat status = {};
    stat(QFile::encodeName(path).constData(), &status);
    return int(status.st_mode & 0777);
}

qint64 modifiedSeconds(const QByteArray& path) {
    struct stat status = {};
    stat(path.constData(), &status);
    return qint64(status.st_mtim.tv_sec);
}

void setModified(const QByteArray& path, qint64 seconds) {
    const struct utimbuf times = {time_t(seconds), time_t(seconds)};
    utime(path.constData(), &times);
}

class Thumbnails : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        cache = ThumbnailCache(dir.path() + QStringLiteral("/cache/thumbnails"));
    }
    // A copy of a clip in the test's own folder, so that its time and bytes may change.
    QByteArray copyOf(const QByteArray& clip, const char* name) {
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + name;
        EXPECT_TRUE(QFile::copy(QFile::decodeName(clip), QFile::decodeName(path)));
        return path;
    }
    QString picture(const QByteArray& path, ThumbnailSize size) const {
        return cache.pathOf(ThumbnailCache::uriOf(path), size);
    }

    QTemporaryDir dir;
    ThumbnailCache cache;
};

TEST_F(Thumbnails, PicturesFollowTheStandard) {
    const QByteArray clip = copyOf(thumbnailClip("late-white.mp4"), "late white #1.mp4");
    const Thumbnailer thumbnailer(cache);
    const ThumbnailOutcome outcome = thumbnailer.make(clip);
    ASSERT_EQ(outcome.kind, ThumbnailOutcome::Made) << outcome.reason.toStdString();

    // Named by the MD5 of the URI as other programs write it, below normal/ and large/.
    const QByteArray uri = QUrl::fromLocalFile(QFile::decodeName(clip)).toEncoded();
    EXPECT_EQ(uri, ThumbnailCache::uriOf(clip));
    EXPECT_TRUE(uri.contains("late%20white%20%231.mp4"));
    const QString md5 = QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex();
    const QString normal = cache.folder() + "/normal/" + md5 + ".png";
    const QString large = cache.folder() + "/large/" + md5 + ".png";
    EXPECT_EQ(picture(clip, ThumbnailSize::Normal), normal);

    // The longer side at most 128 and 256 pixels, the aspect kept; the frame near a tenth of
    // the length, not the first.
    const QImage small(normal);
    const QImage big(large);
    EXPECT_EQ(small.size(), QSize(128, 72));
    EXPECT_EQ(big.size(), QSize(256, 144));
    EXPECT_GT(qGray(big.pixel(128, 72)), 200);

    for (const QString& png : {normal, large}) {
        EXPECT_EQ(textOf(png, "Thumb::URI"), uri.toStdString());
        EXPECT_EQ(textOf(png, "Thumb::MTime"), std::to_string(modifiedSeconds(clip)));
        EXPECT_EQ(textOf(png, "Thumb::Size"),
                  std::to_string(QFile(QFile::decodeName(clip)).size()));
        EXPECT_EQ(textOf(png, "Thumb::Mimetype"), "video/mp4");
        EXPECT_EQ(modeOf(png), 0600);
    }
    for (const QString& folder :
         {cache.folder(), cache.folder() + "/normal", cache.folder() + "/large"})
        EXPECT_EQ(modeOf(folder), 0700) << folder.toStdString();
    // Nothing but the pictures: the temporary files were renamed into place.
    EXPECT_EQ(QDir(cache.folder() + "/normal").entryList(QDir::Files | QDir::Hidden).size(), 1);

    // Pixels that are not square are shown as they are meant to be; a small frame stays small.
    const QByteArray wide = copyOf(thumbnailClip("anamorphic.mkv"), "anamorphic.mkv");
    ASSERT_EQ(thumbnailer.make(wide).kind, ThumbnailOutcome::Made);
    EXPECT_EQ(QImage(picture(wide, ThumbnailSize::Large)).size(), QSize(256, 144));
    const QByteArray tiny = testClip("harbour.mkv");
    ASSERT_EQ(thumbnailer.make(tiny).kind, ThumbnailOutcome::Made);
    EXPECT_EQ(QImage(picture(tiny, ThumbnailSize::Large)).size(), QSize(64, 48));
}

TEST_F(Thumbnails, StalePicturesAreMadeAgainAndFreshOnesKept) {
    const QByteArray clip = copyOf(testClip("plain.mp4"), "plain.mp4");
    const Thumbnailer thumbnailer(cache);
    ASSERT_EQ(thumbnailer.make(clip).kind, ThumbnailOutcome::Made);
    EXPECT_EQ(thumbnailer.make(clip).kind, ThumbnailOutcome::Fresh);

    // The file changed: its Thumb::MTime no longer matches and the pictures are made again.
    const qint64 later = modifiedSeconds(clip) + 100;
    setModified(clip, later);
    EXPECT_EQ(thumbnailer.make(clip).kind, ThumbnailOutcome::Made);
    EXPECT_EQ(textOf(picture(clip, ThumbnailSize::Large), "Thumb::MTime"), std::to_string(later));

    // A fresh picture another program made is used as it is; one of another URI (a name the
    // same by chance) or without the chunks is not.
    const QString normal = picture(clip, ThumbnailSize::Normal);
    QImage foreign(10, 10, QImage::Format_RGB32);
    foreign.fill(Qt::red);
    foreign.setText("Thumb::URI", QString::fromLatin1(ThumbnailCache::uriOf(clip)));
    foreign.setText("Thumb::MTime", QString::number(later));
    ASSERT_TRUE(foreign.save(normal, "PNG"));
    EXPECT_EQ(thumbnailer.make(clip).kind, ThumbnailOutcome::Fresh);
    EXPECT_EQ(QImage(normal).size(), QSize(10, 10));
    foreign.setText("Thumb::URI", QStringLiteral("file:///elsewhere/plain.mp4"));
    ASSERT_TRUE(foreign.save(normal, "PNG"));
    EXPECT_EQ(thumbnailer.make(clip).kind, ThumbnailOutcome::Made);
    EXPECT_EQ(QImage(normal).size(), QSize(64, 48));
}

TEST_F(Thumbnails, FailuresAreRecordedAndNotRetriedUntilTheFileChanges) {
    const QByteArray notes = QFile::encodeName(dir.path()) + "/notes.mkv";
    {
        QFile file(QFile::decodeName(notes));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Shopping: bread, milk, film for the camera.\n");
    }
    const Thumbnailer thumbnailer(cache);
    EXPECT_EQ(thumbnailer.make(notes).kind, ThumbnailOutcome::Failed);
    const QString record = cache.failPathOf(ThumbnailCache::uriOf(notes));
    EXPECT_EQ(record,
              cache.folder() + "/fail/orvmedia-" + QStringLiteral(ORV_VERSION) + "/" +
                  QString::fromLatin1(ThumbnailCache::fileNameOf(ThumbnailCache::uriOf(notes))));
    EXPECT_EQ(textOf(record, "Thumb::URI"), ThumbnailCache::uriOf(notes).toStdString());
    EXPECT_EQ(textOf(record, "Thumb::MTime"), std::to_string(modifiedSeconds(notes)));
    EXPECT_EQ(modeOf(record), 0600);
    EXPECT_FALSE(QFile::exists(picture(notes, ThumbnailSize::Normal)));
    EXPECT_EQ(thumbnailer.make(notes).kind, ThumbnailOutcome::FailedBefore);

    // Changed (now a clip), it is tried again.
    QFile::remove(QFile::decodeName(notes));
    ASSERT_TRUE(QFile::copy(QFile::decodeName(testClip("harbour.mkv")), QFile::decodeName(notes)));
    setModified(notes, modifiedSeconds(notes) + 100);
    EXPECT_EQ(thumbnailer.make(notes).kind, ThumbnailOutcome::Made);

    // Damaged and hostile files end in an outcome, never a crash or a wait; what is no regular
    // file is passed over without a record.
    QFile clip(QFile::decodeName(testClip("plain.mp4")));
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    const QByteArray bytes = clip.readAll();
    const QByteArray at = QFile::encodeName(dir.path()) + '/';
    const auto write = [&at](const char* name, const QByteArray& contents) {
        QFile file(QFile::decodeName(at + name));
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        return at + name;
    };
    QByteArray flipped = bytes;
    for (qsizetype i = 64; i < flipped.size(); i += 97)
        flipped[i] = char(flipped[i] ^ 0x5a);
    for (const QByteArray& damaged :
         {write("cut.mp4", bytes.left(bytes.size() / 3)), write("flipped.mp4", flipped),
          write("empty.mkv", QByteArray()), write("noise.avi", QByteArray(100000, '\x47'))}) {
        const ThumbnailOutcome outcome = thumbnailer.make(damaged);
        EXPECT_TRUE(outcome.kind == ThumbnailOutcome::Made ||
                    outcome.kind == ThumbnailOutcome::Failed)
            << damaged.toStdString() << ": " << outcome.reason.toStdString();
    }
    ASSERT_EQ(mkfifo(at + "fifo.mkv", 0644), 0);
    EXPECT_EQ(thumbnailer.make(at + "fifo.mkv").kind, ThumbnailOutcome::Skipped);
    EXPECT_EQ(thumbnailer.make(at + "missing.mkv").kind, ThumbnailOutcome::Skipped);
    EXPECT_FALSE(QFile::exists(cache.failPathOf(ThumbnailCache::uriOf(at + "fifo.mkv"))));
}

TEST_F(Thumbnails, ThePoolMakesEveryFileHandedOver) {
    std::atomic<int> made{0};
    std::atomic<int> told{0};
    {
        ThumbnailPool pool(Thumbnailer(cache), 2,
                           [&](const QByteArray&, const ThumbnailOutcome& o) {
                               ++told;
                               if (o.kind == ThumbnailOutcome::Made)
                                   ++made;
                           });
        for (const char* name : {"harbour.mkv", "plain.mp4", "broadcast.ts", "motion.avi"})
            pool.submit(testClip(name));
        pool.submitFirst(testClip("song.mp3"));
        pool.wait();
        EXPECT_EQ(pool.pending(), 0);
    }
    EXPECT_EQ(told, 5);
    EXPECT_EQ(made, 4);
}

} // namespace
