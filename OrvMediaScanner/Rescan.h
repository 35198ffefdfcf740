#pragma once

// The re-scan: the library's local video files, checked against the file system. A file whose
// size and modification time are those the scanner's record holds is not opened; the others
// are probed again (by the probers, one per core) and their size, duration and title stored
// anew where they changed. Files that are gone are told, and with prune deleted from the
// library (through deleteVideoFile, so that the change messages go out).

#include "MediaManagerInterface.h"
#include "MediaProbe.h"
#include "ScanTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

struct RescanOptions {
    bool full = false;  // probe every file, changed or not
    bool prune = false; // delete the entries of files that are gone
    int batchSize = 200;
    int workers = 0;
    ProbeLimits limits;
    QString recordFile;
};

class Rescan {
public:
    Rescan(VireoStudio::MediaManagerInterface* library, RescanOptions options);

    std::function<void(const ScanCounts&)> progress;
    std::function<void(const FileReport&)> report;

    // Re-scans the library's local files: all of them, or those at or below the paths given
    // (absolute). False when the library failed (error says why).
    bool run(const QList<QByteArray>& under, QString* error);
    const ScanCounts& counts() const { return tally; }

private:
    // A local file of the library: what the library holds, then what the file system says.
    struct Entry {
        quint64 id = 0;
        QByteArray path;
        qint64 size = -1;     // -1: not stored
        qint64 duration = -1; // -1: not stored
        QString title;
        int error = 0;           // of stat, 0 when the file is there
        bool asRecorded = false; // a regular file with the size and time the record holds
    };

    // Reads the library's local files at or below under and, while it reads, asks the file
    // system about each on a second thread (which loads the record first).
    bool readAndCheck(const QList<QByteArray>& under, class ScanRecord* record,
                      std::vector<Entry>* entries, QString* error);

    VireoStudio::MediaManagerInterface* library;
    RescanOptions options;
    ScanCounts tally;
};
