// Thumbnails at scale (case 12): the pictures of 500 clips the ffmpeg command makes (copies of a
// few, each under a name of its own) made by the thumbnail makers into an empty cache, against
// the desktop's usual thumbnailer run once per file, as a file manager runs it
// ("ffmpegthumbnailer -i FILE -o PICTURE -s 128"), on a part of the clips. Files per second on
// both sides; ours must be at least three times the other's.

#include "HostedLibrary.h"
#include "Paired.h"
#include "ThumbnailPool.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>

namespace {

const int kClips = 500;
const int kBaselineClips = 60;

// The clips, made once per process: containers and codecs of several kinds, of the sizes a
// library holds, each copied under names of its own.
class Clips {
public:
    static const Clips& get() {
        static const Clips clips;
        return clips;
    }
    QList<QByteArray> files;

private:
    Clips() {
        require(dir.isValid(), "temporary folder");
        const QString picture = QStringLiteral("testsrc2=size=%1:rate=25:duration=8");
        const QList<QStringList> recipes = {
            {"-f", "lavfi", "-i", picture.arg("1280x720"), "-c:v", "libx264", "-preset",
             "ultrafast", "-g", "50", "a.mkv"},
            {"-f", "lavfi", "-i", picture.arg("854x480"), "-c:v", "mpeg4", "-g", "50", "b.mp4"},
            {"-f", "lavfi", "-i", picture.arg("720x576"), "-c:v", "mpeg2video", "-f", "mpegts",
             "c.ts"},
            {"-f", "lavfi", "-i", picture.arg("640x360"), "-c:v", "mjpeg", "-q:v", "5", "d.avi"},
        };
        QStringList sources;
        for (const QStringList& recipe : recipes) {
            QProcess ffmpeg;
            ffmpeg.setWorkingDirectory(dir.path());
            ffmpeg.start(QStringLiteral("ffmpeg"),
                         QStringList{"-nostdin", "-v", "error", "-y"} + recipe);
            require(ffmpeg.waitForFinished(300000) && ffmpeg.exitCode() == 0,
                    "ffmpeg making the clips");
            sources << dir.path() + QLatin1Char('/') + recipe.last();
        }
        for (int i = 0; i < kClips; ++i) {
            const QString& source = sources.at(i % sources.size());
            const QString copy =
                dir.path() + QStringLiteral("/clip %1.").arg(i) + source.section('.', -1);
            require(QFile::copy(source, copy), "copying a clip");
            files << QFile::encodeName(copy);
        }
    }
    QTemporaryDir dir;
};

void thumbnailRates(benchmark::State& state) {
    const Clips& clips = Clips::get();
    QString error;
    require(Thumbnailer::renderingAvailable(&error), "the thumbnail module loaded");
    for (auto _ : state) {
        Rounds rounds({
            [&clips] {
                QTemporaryDir cache;
                std::atomic<int> made{0};
                const double seconds = timed([&] {
                    ThumbnailPool pool(Thumbnailer(ThumbnailCache(cache.path())), 0,
                                       [&made](const QByteArray&, const ThumbnailOutcome& o) {
                                           made += o.kind == ThumbnailOutcome::Made;
                                       });
                    for (const QByteArray& file : clips.files)
                        pool.submit(file);
                    pool.wait();
                });
                require(made == kClips, "every clip's pictures made");
                return seconds;
            },
            [&clips] {
                QTemporaryDir out;
                return timed([&] {
                    for (int i = 0; i < kBaselineClips; ++i) {
                        QProcess thumbnailer;
                        thumbnailer.start(QStringLiteral("ffmpegthumbnailer"),
                                          {"-i", QFile::decodeName(clips.files.at(i)), "-o",
                                           out.path() + QStringLiteral("/%1.png").arg(i), "-s",
                                           "128"});
                        require(thumbnailer.waitForFinished(60000) &&
                                    thumbnailer.exitStatus() == QProcess::NormalExit &&
                                    thumbnailer.exitCode() == 0,
                                "ffmpegthumbnailer");
                    }
                });
            },
        });
        rounds.run(1);
        const double ours = rounds.secondsOf(0) / kClips;
        const double theirs = rounds.secondsOf(1) / kBaselineClips;
        state.SetIterationTime(rounds.secondsOf(0));
        state.counters["ours_us"] = ours * 1e6;
        state.counters["theirs_us"] = theirs * 1e6;
        state.counters["speedup"] = theirs / ours;
        state.counters["files_per_second"] = 1 / ours;
    }
}

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case12/pair/500", thumbnailRates), 3);
    return true;
}();

} // namespace
