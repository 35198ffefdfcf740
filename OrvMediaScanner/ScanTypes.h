#pragma once

// What a scan or a re-scan tells about each file, and the counts it keeps.

#include <QByteArray>
#include <QString>

// Files a scan or a re-scan stores per host transaction: a crash or a kill loses at most these.
// A commit costs the writer about as much processor time as storing fifty files (the journal
// and the flush); at 500 a batch, commits take under a tenth of its time.
const int kFilesPerBatch = 500;

enum class Outcome {
    Added,            // stored as a new video file
    AlreadyInLibrary, // its URL is in the library already
    CaseCollision,    // its URL differs only in letter case from an entry of the library
    NotVideo,         // readable, but no video (text, audio, a picture, not a regular file)
    Unreadable,       // missing, no permission, a link loop, damaged beyond reading, too slow
    Unchanged,        // re-scan: size and time as when it was probed
    Updated,          // re-scan: its size, duration or title stored anew
    Gone,             // re-scan: the file is no longer there
    Pruned,           // re-scan: gone, and its entry deleted
};

// One file's outcome and, for the files not added or updated, why.
struct FileReport {
    Outcome outcome;
    QByteArray path;
    QString reason;
};

// Paths found and files handled so far.
struct ScanCounts {
    qint64 found = 0;  // regular files discovered (a re-scan: entries of the library to check)
    qint64 probed = 0; // files read, or taken from the record
    qint64 added = 0;
    qint64 already = 0;
    qint64 collisions = 0;
    qint64 notVideo = 0;
    qint64 unreadable = 0;
    qint64 unchanged = 0;
    qint64 updated = 0;
    qint64 gone = 0;
    qint64 pruned = 0;
    bool discovering = true; // the walk (or the reading of the library) is still going on

    // Files found that are done with.
    qint64 handled() const {
        return added + already + collisions + notVideo + unreadable + unchanged + updated + gone;
    }
    void count(Outcome outcome);
};

inline void ScanCounts::count(Outcome outcome) {
    switch (outcome) {
    case Outcome::Added:
        ++added;
        break;
    case Outcome::AlreadyInLibrary:
        ++already;
        break;
    case Outcome::CaseCollision:
        ++collisions;
        break;
    case Outcome::NotVideo:
        ++notVideo;
        break;
    case Outcome::Unreadable:
        ++unreadable;
        break;
    case Outcome::Unchanged:
        ++unchanged;
        break;
    case Outcome::Updated:
        ++updated;
        break;
    case Outcome::Gone:
        ++gone;
        break;
    case Outcome::Pruned:
        ++pruned;
        break;
    }
}
