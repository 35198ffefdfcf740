#pragma once

// The scan: discovery, probing and storing as three stages with queues between them. A walker
// thread lists the files below the paths given; the writer (the caller's thread, the only one
// that touches the library) passes over the files the library holds already and hands the
// others to the probers, one per core; it stores what they found as video files through the
// plugin's interface, in batches inside host transactions.

#include "MediaManagerInterface.h"
#include "MediaProbe.h"
#include "ScanTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

struct ScanOptions {
    bool recurse = true;
    int batchSize = kFilesPerBatch;
    int workers = 0; // probers; 0: one per core
    ProbeLimits limits;
    QString recordFile; // the scanner's record (ScanRecord); empty: none
    // Values the user gave for the file scanned, in place of what the file says.
    std::optional<QString> title;
    std::optional<qint64> size;
    std::optional<qint64> durationMs;
};

class Scan {
public:
    Scan(VireoStudio::MediaManagerInterface* library, ScanOptions options);

    // Told the counts as the scan goes, on the caller's thread.
    std::function<void(const ScanCounts&)> progress;
    // Told each file's outcome, on the caller's thread.
    std::function<void(const FileReport&)> report;
    // Told the number of files stored so far after each batch is committed.
    std::function<void(qint64)> committed;

    // Scans paths (absolute, files and folders mixed). False when the library failed to store
    // (error says why): the batches committed before stay, the one in flight is lost.
    bool run(const QList<QByteArray>& paths, QString* error);
    const ScanCounts& counts() const { return tally; }

private:
    struct Writer;

    VireoStudio::MediaManagerInterface* library;
    ScanOptions options;
    ScanCounts tally;
};

// The title of a file that has no title tag: its name without the last extension.
QString titleFromName(const QByteArray& path);
