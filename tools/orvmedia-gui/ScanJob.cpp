#include "ScanJob.h"

#include "PluginSession.h"
#include "Scan.h"
#include "ScanRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

const char ScanJob::kOption[] = "--scan-for-window";

namespace {
const char kProgram[] = "/orvmedia-gui";

// Lines of the scanning process: "progress HANDLED FOUND WALKING", "file PATH" (the path's
// bytes percent-encoded), "counts ADDED ALREADY NOT-VIDEO UNREADABLE COLLISIONS".
void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace

ScanJob::ScanJob(const QList<QByteArray>& paths, QObject* parent) : QObject(parent), paths(paths) {
    connect(&process, &QProcess::readyReadStandardOutput, this, &ScanJob::readLines);
    connect(&process, &QProcess::finished, this, &ScanJob::ended);
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failure =
                QStringLiteral("the scan could not be started: %1").arg(process.errorString());
            emit finished();
        }
    });
}

ScanJob::~ScanJob() {
    waitForEnd();
}

void ScanJob::start() {
    // Paths are bytes; the arguments carry them percent-encoded, whatever their encoding.
    QStringList arguments{QLatin1String(kOption)};
    for (const QByteArray& path : paths)
        arguments << QString::fromLatin1(path.toPercentEncoding("/"));
    process.start(QCoreApplication::applicationDirPath() + QLatin1String(kProgram), arguments);
}

void ScanJob::waitForEnd() {
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);
}

void ScanJob::readLines() {
    unread += process.readAllStandardOutput();
    for (qsizetype end = unread.indexOf('\n'); end >= 0; end = unread.indexOf('\n')) {
        const QList<QByteArray> words = unread.left(end).split(' ');
        unread.remove(0, end + 1);
        if (words.first() == "progress" && words.size() == 4)
            emit progressed(words.at(1).toLongLong(), words.at(2).toLongLong(), words.at(3) == "1");
        else if (words.first() == "file" && words.size() == 2)
            inLibrary.append(QByteArray::fromPercentEncoding(words.at(1)));
        else if (words.first() == "counts" && words.size() == 6) {
            tally.added = words.at(1).toLongLong();
            tally.already = words.at(2).toLongLong();
            tally.notVideo = words.at(3).toLongLong();
            tally.unreadable = words.at(4).toLongLong();
            tally.collisions = words.at(5).toLongLong();
        }
    }
}

void ScanJob::ended(int exitCode, QProcess::ExitStatus status) {
    readLines();
    stored = status == QProcess::NormalExit && exitCode == 0;
    if (!stored) {
        failure = QString::fromUtf8(process.readAllStandardError()).trimmed();
        if (failure.isEmpty())
            failure = status == QProcess::CrashExit ? QStringLiteral("the scan broke off")
                                                    : QStringLiteral("the scan failed");
    }
    emit finished();
}

int ScanJob::runForWindow(const QStringList& arguments) {
    QList<QByteArray> paths;
    for (const QString& argument : arguments)
        paths << QByteArray::fromPercentEncoding(argument.toLatin1());
    PluginSession session("orvmedia-gui scan", PluginSession::KeepMessages);
    QString error;
    if (!session.load(QString(), &error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    if (!session.library()->isOpen()) {
        std::fprintf(stderr, "cannot open the library at %s\n",
                     PluginSession::libraryFile().toUtf8().constData());
        return 1;
    }
    ScanOptions options;
    options.recordFile = ScanRecord::fileFor(PluginSession::libraryFile());
    Scan scan(session.library(), options);
    QElapsedTimer sinceTold;
    sinceTold.start();
    scan.progress = [&sinceTold](const ScanCounts& counts) {
        if (sinceTold.elapsed() < 100)
            return;
        sinceTold.restart();
        say("progress " + QByteArray::number(counts.handled()) + ' ' +
            QByteArray::number(counts.found) + ' ' + (counts.discovering ? "1" : "0"));
    };
    scan.report = [](const FileReport& report) {
        if (report.outcome == Outcome::Added || report.outcome == Outcome::AlreadyInLibrary)
            say("file " + report.path.toPercentEncoding("/"));
    };
    const bool stored = scan.run(paths, &error);
    const ScanCounts& counts = scan.counts();
    say("counts " + QByteArray::number(counts.added) + ' ' + QByteArray::number(counts.already) +
        ' ' + QByteArray::number(counts.notVideo) + ' ' + QByteArray::number(counts.unreadable) +
        ' ' + QByteArray::number(counts.collisions));
    if (!stored) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    return 0;
}
