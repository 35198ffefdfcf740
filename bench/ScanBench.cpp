// The scanner at scale, on copies of a few clips the ffmpeg command makes (each copy under a
// name of its own). Names are case<N>/<what>/<size>.
//   8  the scan of 2,000 clips into a new library against a loop on one thread that only probes
//      the same files, and against what a user would otherwise script: a shell loop running
//      ffprobe and "orvmedia add URL --duration D --size S" per file (on a part of the clips,
//      per file); beside them, one thread per core probing its share of the files and storing
//      nothing: the most that probing in parallel gets from this machine at the time, which
//      the scan cannot pass;
//   9  the peak resident memory of a scan of 2,000 and of 20,000 clips, each in a process of
//      its own (scripts/bench runs them apart);
//  10  the re-scan of 10,000 unchanged files ("orvmedia rescan DIR") against listing them with
//      their sizes and modification times ("find DIR -type f -printf '%s %T@\n'"), both as the
//      programs a user runs.

#include "Discovery.h"
#include "HostedLibrary.h"
#include "MediaProbe.h"
#include "Paired.h"
#include "Scan.h"
#include "ScanRecord.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

const int kScanClips = 2000;
const int kShellClips = 40;
const int kLargeScanClips = 20000;
const int kRescanClips = 10000;

// The clips every folder copies, made once per process: containers and codecs of several kinds.
class SourceClips {
public:
    static const SourceClips& get() {
        static const SourceClips clips;
        return clips;
    }
    QStringList files;

private:
    SourceClips() {
        require(dir.isValid(), "temporary folder");
        const QString picture = QStringLiteral("testsrc=size=160x120:rate=25:duration=%1");
        const QList<QStringList> recipes = {
            {"-f", "lavfi", "-i", picture.arg(4), "-f", "lavfi", "-i", "sine=duration=4", "-c:v",
             "libx264", "-preset", "ultrafast", "-c:a", "aac", "-shortest", "-metadata",
             "title=Harbour at Dawn", "harbour.mkv"},
            {"-f", "lavfi", "-i", picture.arg(3), "-c:v", "mpeg4", "-metadata", "title=Plain",
             "plain.mp4"},
            {"-f", "lavfi", "-i", picture.arg(2), "-c:v", "mpeg2video", "-f", "mpegts",
             "broadcast.ts"},
            {"-f", "lavfi", "-i", picture.arg(2), "-c:v", "mjpeg", "motion.avi"},
        };
        for (const QStringList& recipe : recipes) {
            QProcess ffmpeg;
            ffmpeg.setWorkingDirectory(dir.path());
            ffmpeg.start(QStringLiteral("ffmpeg"),
                         QStringList{"-nostdin", "-v", "error", "-y"} + recipe);
            require(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0,
                    "ffmpeg making the clips");
            files << dir.path() + QLatin1Char('/') + recipe.last();
        }
    }
    QTemporaryDir dir;
};

// n copies of the clips, a hundred to a folder, made once per process for each n.
class ClipFolder {
public:
    static const ClipFolder& of(int n) {
        static std::map<int, std::unique_ptr<ClipFolder>> folders;
        auto& folder = folders[n];
        if (!folder)
            folder.reset(new ClipFolder(n));
        return *folder;
    }
    QByteArray path() const { return QFile::encodeName(dir.path()); }
    QStringList files;

private:
    explicit ClipFolder(int n) {
        require(dir.isValid(), "temporary folder");
        const QStringList& sources = SourceClips::get().files;
        for (int i = 0; i < n; ++i) {
            const QString& source = sources.at(i % sources.size());
            const QString folder = dir.path() + QStringLiteral("/part%1").arg(i / 100);
            QDir().mkpath(folder);
            files << folder + QStringLiteral("/clip %1.").arg(i) + source.section('.', -1);
            require(QFile::copy(source, files.last()), "copying a clip");
        }
    }
    QTemporaryDir dir;
};

// A new library and a record of its own for one scan, started before the clock runs.
struct ScanTarget {
    LibraryFolder folder;
    std::unique_ptr<HostedLibrary> library = std::make_unique<HostedLibrary>(folder);
    QString record() const { return folder.dataHome() + QStringLiteral("/scan-record"); }
};

ScanCounts scanInto(ScanTarget& target, const ClipFolder& clips) {
    ScanOptions options;
    options.recordFile = target.record();
    Scan scan(&target.library->get(), options);
    QString error;
    require(scan.run({clips.path()}, &error), "the scan");
    return scan.counts();
}

// The seconds a program takes, its output thrown away; env adds to the environment.
double runProgram(const QString& program, const QStringList& arguments,
                  const QStringList& env = {}) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : env)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process.setProcessEnvironment(environment);
    return timed([&] {
        process.start(program, arguments);
        require(process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0,
                "a program the benchmark runs");
    });
}

// What a user would otherwise script: per file, ffprobe for the duration and the size, then
// orvmedia add with them (a URL of another scheme, so that the command stores only).
const char kShellLoop[] = R"sh(
for f in "$@"; do
    IFS=, read -r duration size < <(ffprobe -v error -show_entries format=duration,size \
        -of csv=p=0 "$f")
    ms=$(( 10#${duration%.*} * 1000 + 10#${duration#*.} / 1000 ))
    "$ORVMEDIA" add "http://bench.invalid/$(basename "$f")" --duration "$ms" --size "$size" \
        >/dev/null || exit 1
done
)sh";

// Probes the files on one thread per core, each thread taking the next file not yet taken; the
// count of videos.
int probeInParallel(const QList<QByteArray>& files) {
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<qsizetype> next{0};
    std::atomic<int> videos{0};
    std::vector<std::thread> probers;
    for (int t = 0; t < threads; ++t)
        probers.emplace_back([&files, &next, &videos] {
            for (qsizetype i = next++; i < files.size(); i = next++)
                videos += probeFile(files.at(i), ProbeLimits()).kind == ProbeResult::Video;
        });
    for (std::thread& prober : probers)
        prober.join();
    return videos;
}

// The processor time this process has used, all its threads together, in seconds.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void scanRates(benchmark::State& state) {
    const ClipFolder& clips = ClipFolder::of(kScanClips);
    QList<QByteArray> files;
    Discovery({}).walk(
        clips.path(), [&files](FoundFile&& file) { files << file.path; }, [](PassedOver&&) {});
    require(files.size() == kScanClips, "every clip found");
    require(probeFile(files.first(), ProbeLimits()).kind == ProbeResult::Video,
            "the probing module loaded");
    const QStringList shellFiles = clips.files.mid(0, kShellClips);
    // Beside the times, the processor time of each side: how much work the scan adds to the
    // probes, whatever share of the processors the machine gives this process.
    double scanProcessor = 0;
    double loopProcessor = 0;
    for (auto _ : state) {
        Rounds rounds({
            [&clips, &scanProcessor] {
                ScanTarget target;
                ScanCounts counts;
                const double before = processorSeconds();
                const double seconds = timed([&] { counts = scanInto(target, clips); });
                scanProcessor = processorSeconds() - before;
                require(counts.added == kScanClips, "every clip added");
                return seconds;
            },
            [&files, &loopProcessor] {
                int videos = 0;
                const double before = processorSeconds();
                const double seconds = timed([&] {
                    for (const QByteArray& file : files)
                        videos += probeFile(file, ProbeLimits()).kind == ProbeResult::Video;
                });
                loopProcessor = processorSeconds() - before;
                require(videos == kScanClips, "every clip probed");
                return seconds;
            },
            [&files] {
                int videos = 0;
                const double seconds = timed([&] { videos = probeInParallel(files); });
                require(videos == kScanClips, "every clip probed in parallel");
                return seconds;
            },
            [&shellFiles] {
                LibraryFolder folder;
                return runProgram(
                    QStringLiteral("bash"),
                    QStringList{"-c", kShellLoop, "shell-loop"} + shellFiles,
                    {"ORVMEDIA=" ORV_ORVMEDIA_PATH, "XDG_DATA_HOME=" + folder.dataHome()});
            },
        });
        rounds.run(1);
        const double scan = rounds.secondsOf(0) / kScanClips;
        const double loop = rounds.secondsOf(1) / kScanClips;
        const double parallel = rounds.secondsOf(2) / kScanClips;
        const double shell = rounds.secondsOf(3) / kShellClips;
        state.SetIterationTime(rounds.secondsOf(0));
        state.counters["scan_us"] = scan * 1e6;
        state.counters["loop_us"] = loop * 1e6;
        state.counters["shell_us"] = shell * 1e6;
        state.counters["parallel_us"] = parallel * 1e6;
        state.counters["parallel_speedup"] = loop / parallel;
        state.counters["speedup"] = loop / scan;
        state.counters["shell_ratio"] = shell / scan;
        state.counters["processor_ratio"] = scanProcessor / loopProcessor;
    }
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

void scanMemory(benchmark::State& state) {
    const ClipFolder& clips = ClipFolder::of(int(state.range(0)));
    for (auto _ : state) {
        ScanTarget target;
        ScanCounts counts;
        state.SetIterationTime(timed([&] { counts = scanInto(target, clips); }));
        require(counts.added == state.range(0), "every clip added");
    }
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

void rescanUnchanged(benchmark::State& state) {
    const ClipFolder& clips = ClipFolder::of(kRescanClips);
    // The library and the scanner's record, as a scan leaves them.
    LibraryFolder folder;
    const QString cache = folder.dataHome() + QStringLiteral("/cache");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    {
        HostedLibrary library(folder);
        ScanOptions options;
        options.recordFile = ScanRecord::fileFor(folder.libraryPath());
        Scan scan(&library.get(), options);
        QString error;
        require(scan.run({clips.path()}, &error) && scan.counts().added == kRescanClips,
                "the scan before the re-scans");
    }
    const QStringList env = {"XDG_DATA_HOME=" + folder.dataHome(), "XDG_CACHE_HOME=" + cache};
    const QString dir = QString::fromUtf8(clips.path());
    for (auto _ : state) {
        Rounds rounds({[&] {
                           return runProgram(QStringLiteral(ORV_ORVMEDIA_PATH),
                                             {"rescan", "--quiet", dir}, env);
                       },
                       [&] {
                           return runProgram(QStringLiteral("find"),
                                             {dir, "-type", "f", "-printf", "%s %T@\\n"});
                       }});
        rounds.run(3);
        reportPair(state, rounds, 3);
    }
    // The re-scans found every file as it was.
    QProcess check;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : env)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    check.setProcessEnvironment(environment);
    check.start(QStringLiteral(ORV_ORVMEDIA_PATH), {"rescan", "--quiet", dir});
    require(check.waitForFinished(600000) &&
                check.readAllStandardOutput().startsWith("10000 checked: 10000 unchanged,"),
            "every file unchanged");
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case8/pair/2000", scanRates), 3);
    for (const int clips : {kScanClips, kLargeScanClips})
        benchmark::RegisterBenchmark(("case9/scan/" + std::to_string(clips)).c_str(), scanMemory)
            ->Arg(clips)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(1)
            ->Unit(benchmark::kMillisecond);
    repeated(benchmark::RegisterBenchmark("case10/pair/10000", rescanUnchanged), 5);
    return true;
}();

} // namespace
