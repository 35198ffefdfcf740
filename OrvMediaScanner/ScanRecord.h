#pragma once

// The scanner's own record of what it probed: per file its size and modification time when it
// was probed, and what it was. A re-scan asks the file system first and opens only the files
// whose size or time changed since; a scan takes a file it probed before from here. The record
// belongs to the host, in its cache folder, one per library; the library's schema never holds
// it. A lost or damaged record only costs probing the files again.
//
// It also keeps the last listing of the library's local video files, with the stamp the
// library file had when it was read (every write to the library changes the stamp): a re-scan
// of a library that nobody changed since takes its files from here instead of reading each
// entry through the plugin again.

#include "MediaProbe.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class ScanRecord {
public:
    // The record of the library file at libraryPath: in $XDG_CACHE_HOME (else ~/.cache), below
    // Vireo/Vireo Studio, named after the library file.
    static QString fileFor(const QString& libraryPath);

    // The library file as the file system sees it; it changes with every write to the file.
    struct LibraryStamp {
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const LibraryStamp& other) const;
        // The stamp of the library file; none when it is missing, or when a journal beside it
        // says that a write is under way or was cut short.
        static std::optional<LibraryStamp> of(const QString& libraryFile);
    };
    // One local video file of the library as the library held it.
    struct ListedFile {
        quint64 id = 0;
        QByteArray path;
        qint64 size = -1;     // -1: not stored
        qint64 duration = -1; // -1: not stored
        QByteArray title;     // UTF-8; null when not stored
    };

    explicit ScanRecord(const QString& file) : file(file) {}

    // Reads the record; false (and an empty record) when it is missing or damaged. Reading
    // indexes the file as it is: an entry's texts are read only when it is looked up.
    bool load();
    // Writes the record in place of the old one, whole or not at all, when it changed since it
    // was read.
    bool save();

    // Whether path, when probed, had this size and modification time.
    bool holds(const QByteArray& path, qint64 size, qint64 modifiedNs) const;
    // What path was when it was probed, if it still has the size and modification time it had
    // then.
    std::optional<ProbeResult> lookUp(const QByteArray& path, qint64 size, qint64 modifiedNs) const;
    // Remembers a probe's result; one that could not read the file is not worth remembering.
    void remember(const QByteArray& path, const ProbeResult& result);
    void forget(const QByteArray& path);
    qsizetype size() const { return entries.size(); }

    // Keeps the library's local video files as read when the library file had stamp.
    void keepListing(const LibraryStamp& stamp, QList<ListedFile> files);
    // The files kept, if the library file has the same stamp now; null otherwise. Their paths
    // and titles read from the record point into it (without a terminating zero); they hold
    // while the record holds the listing.
    const QList<ListedFile>* listing(const LibraryStamp& now) const;
    // Forgets the listing, when the library is written.
    void dropListing();

private:
    // One file: its size and time, and where the rest of what it was lies, in the layout of
    // the file: in the bytes read (chunk -1) or in the chunk it was remembered into. Kept as
    // bytes, a scan of many files holds little more than their paths.
    struct Entry {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint32 chunk = -1;
        qsizetype offset = 0;
    };
    ProbeResult resultOf(const Entry& entry) const;
    const QByteArray& chunkOf(const Entry& entry) const;

    QString file;
    std::unique_ptr<QFile> mapped; // the record file, mapped while its bytes are in use
    QByteArray bytes;              // the record as read; the keys of entries read point into it
    // What this run remembered, in chunks that never move once written (their keys point into
    // them too).
    QList<QByteArray> chunks;
    QHash<QByteArray, Entry> entries;
    std::optional<LibraryStamp> listedStamp;
    QList<ListedFile> listed;
    bool changed = false;
};
