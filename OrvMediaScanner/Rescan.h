#pragma once

// The re-scan: the library's local video files, checked against the file system. A file whose
// size and modification time are those the scanner's record holds is not opened; the others
// are probed again (by the probers, one per core) and their size, duration and title stored
// anew where they changed. Files that are gone are told, and with prune deleted from the
// library (through deleteVideoFile, so that the change messages go out).
//
// The library's local files come from the listing the record keeps when the library file is as
// it was when they were last read; otherwise they are read through the plugin, and the record
// keeps them for the next time. The plugin is loaded only when it is needed.

#include "MediaManagerInterface.h"
#include "MediaProbe.h"
#include "ScanRecord.h"
#include "ScanTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

struct RescanOptions {
    bool full = false;  // probe every file, changed or not
    bool prune = false; // delete the entries of files that are gone
    int batchSize = kFilesPerBatch;
    int workers = 0;
    ProbeLimits limits;
    QString recordFile;  // the scanner's record (ScanRecord); empty: none
    QString libraryFile; // the library file, whose stamp says whether a listing still holds
};

class Rescan {
public:
    // library gives the media-library interface, loading the plugin on first use; null when it
    // cannot (it has said why).
    Rescan(std::function<VireoStudio::MediaManagerInterface*()> library, RescanOptions options);

    std::function<void(const ScanCounts&)> progress;
    std::function<void(const FileReport&)> report;

    // Re-scans the library's local files: all of them, or those at or below the paths given
    // (absolute). False when the library failed (error says why, or is empty when the library
    // could not be opened).
    bool run(const QList<QByteArray>& under, QString* error);
    const ScanCounts& counts() const { return tally; }

private:
    // A local file of the library: what the library holds, then what the file system says.
    struct Entry {
        ScanRecord::ListedFile file;
        int error = 0;           // of stat, 0 when the file is there
        bool asRecorded = false; // a regular file with the size and time the record holds
    };

    // Reads the library's local files (all kept in listing, those at or below under in
    // entries) and, while it reads, asks the file system about each of entries on a second
    // thread. stamp is the library file's stamp while it was read.
    bool readAndCheck(VireoStudio::MediaManagerInterface* library, const QList<QByteArray>& under,
                      const ScanRecord* record, std::vector<Entry>* entries,
                      QList<ScanRecord::ListedFile>* listing,
                      std::optional<ScanRecord::LibraryStamp>* stamp, QString* error);
    class FolderLookUp;
    // Asks the file system about entries from to to.
    void check(const ScanRecord* record, std::vector<Entry>* entries, size_t from, size_t to,
               FolderLookUp& files);

    std::function<VireoStudio::MediaManagerInterface*()> library;
    RescanOptions options;
    ScanCounts tally;
};
