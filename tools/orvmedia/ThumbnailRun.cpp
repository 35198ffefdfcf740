#include "ThumbnailRun.h"

#include "ProgressLine.h"

#include <chrono>
#include <cstdio>
#include <thread>

ThumbnailRun::ThumbnailRun(bool verbose) : verbose(verbose) {
    pool = std::make_unique<ThumbnailPool>(
        Thumbnailer(), 0,
        [this](const QByteArray& path, const ThumbnailOutcome& outcome) { done(path, outcome); });
}

ThumbnailRun::~ThumbnailRun() = default;

bool ThumbnailRun::available(QString* error) {
    return Thumbnailer::renderingAvailable(error);
}

void ThumbnailRun::submit(const QByteArray& path) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ++submitted;
    }
    pool->submit(path);
}

void ThumbnailRun::done(const QByteArray& path, const ThumbnailOutcome& outcome) {
    const std::lock_guard<std::mutex> lock(mutex);
    switch (outcome.kind) {
    case ThumbnailOutcome::Made:
        ++made;
        return;
    case ThumbnailOutcome::Fresh:
        ++fresh;
        return;
    case ThumbnailOutcome::Failed:
    case ThumbnailOutcome::FailedBefore:
        ++failed;
        break;
    case ThumbnailOutcome::Skipped:
        ++skipped;
        break;
    }
    if (verbose)
        reports.append("no thumbnail: " + path + " (" + outcome.reason.toUtf8() + ")\n");
}

void ThumbnailRun::printReports(ProgressLine& progress) {
    QList<QByteArray> lines;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        lines.swap(reports);
    }
    if (lines.isEmpty())
        return;
    progress.clear();
    for (const QByteArray& line : lines)
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
}

void ThumbnailRun::finish(ProgressLine& progress) {
    for (;;) {
        printReports(progress);
        qint64 handled = 0;
        qint64 total = 0;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            handled = made + fresh + failed + skipped;
            total = submitted;
        }
        if (handled >= total)
            break;
        progress.show(QStringLiteral("thumbnails: %1 of %2").arg(handled).arg(total), handled,
                      total);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    pool->wait();
    progress.clear();
}

QString ThumbnailRun::summary() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return QStringLiteral("%1 thumbnails made, %2 fresh already, %3 failed, %4 skipped")
        .arg(made)
        .arg(fresh)
        .arg(failed)
        .arg(skipped);
}
