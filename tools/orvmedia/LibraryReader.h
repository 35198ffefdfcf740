#pragma once

// A read-only connection of the command-line host to the library file, for facts the
// media-library interface does not report (the schema version, row counts, what a start-up
// imported from an older release).

#include <QString>
#include <QVariant>

class LibraryReader {
public:
    // The highest ids of the library at one moment: rows with higher ids were added later
    // (the library's ids only grow). All 0 for a file that does not exist or cannot be read.
    struct Marks {
        qint64 version = 0;
        qint64 node = 0;
        qint64 playlist = 0;
        qint64 playlistItem = 0;
    };
    // What came over from an older release since a moment's marks.
    struct Imported {
        qint64 files = 0;         // library files (nodes without a download)
        qint64 playlists = 0;     // user playlists
        qint64 playlistItems = 0; // items of any playlist
        qint64 downloads = 0;     // queued downloads
        bool any() const {
            return files > 0 || playlists > 0 || playlistItems > 0 || downloads > 0;
        }
    };

    explicit LibraryReader(const QString& path);
    ~LibraryReader();
    LibraryReader(const LibraryReader&) = delete;
    LibraryReader& operator=(const LibraryReader&) = delete;

    // The stored schema version; -1 when it cannot be read.
    qint64 schemaVersion() const;
    // Rows of one of the library's tables; -1 when they cannot be counted.
    qint64 count(const QString& table) const;

    Marks marks() const;
    Imported importedSince(const Marks& before) const;

private:
    // The first column of the first row as a number, -1 when there is none; mark, when given,
    // is bound to :MARK.
    qint64 single(const QString& statement, const QVariant& mark = QVariant()) const;

    QString connection;
};
