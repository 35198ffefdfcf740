#pragma once

// Thumbnails made while a command runs: the files handed over go to the thumbnail makers (one
// per core) at once, and the end waits for them with the progress line and sums up.

#include "ThumbnailPool.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>

class ProgressLine;

class ThumbnailRun {
public:
    // verbose: each file without a picture is named, with why.
    explicit ThumbnailRun(bool verbose);
    ~ThumbnailRun();

    // Whether pictures can be made on this machine; error says why not.
    static bool available(QString* error);

    void submit(const QByteArray& path);
    // Waits for every file handed over, showing the progress on progress.
    void finish(ProgressLine& progress);
    // "N thumbnails made, N fresh already, N failed, N skipped".
    QString summary() const;

private:
    void done(const QByteArray& path, const ThumbnailOutcome& outcome);
    void printReports(ProgressLine& progress);

    const bool verbose;
    mutable std::mutex mutex;
    qint64 submitted = 0;
    qint64 made = 0;
    qint64 fresh = 0;
    qint64 failed = 0;
    qint64 skipped = 0;
    QList<QByteArray> reports; // lines to print, made on the workers' threads
    std::unique_ptr<ThumbnailPool> pool;
};
