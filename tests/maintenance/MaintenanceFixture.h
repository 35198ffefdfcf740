#pragma once

// Libraries the plugin built, damaged in controlled ways: one page of a table or an index
// overwritten, the header zeroed, the file cut, a journal left by a write that never finished.
// Rows are read with the sqlite3 C API exactly as stored, so that what repair brings back is
// compared row by row with the original.

#include "LibraryRepair.h"
#include "migration/LegacyFixture.h"

#include <QMap>
#include <QStringList>

class MaintenanceFixture : public LegacyFixture {
protected:
    // Large enough that no play is trimmed from the recent list.
    static const int kRecentMaximum = 1000;

    void SetUp() override;

    // A library the plugin built: files video files (in the built-in playlists), every third in a
    // user playlist, every tenth played with two title positions, and one download.
    void buildLibrary(int files);

    // Every row of the library's tables in the file at path, "table|rowid|value|...", each value
    // with its storage class as SQLite's quote() writes it.
    static QStringList rowsOf(const QString& path);
    // The rows of each table among rows.
    static QMap<QString, qint64> rowsPerTable(const QStringList& rows);

    // Overwrites a leaf page from the middle of the b-tree of object (a table or an index) in
    // the file at path with random bytes.
    static void damagePage(const QString& path, const QString& object);
    // Runs statements on the file at path, with the schema's triggers off: the rows are changed
    // as a damaged file would hold them, not as the player changes them.
    static void execOn(const QString& path, const char* sql);
    // A write that never finished: a child process changes the library with a page cache too
    // small to hold the change, so that pages reach the file, and exits without committing.
    static void leaveJournal(const QString& path);

    static QByteArray bytesOf(const QString& path);
    static void writeBytes(const QString& path, const QByteArray& bytes);
    // The files of the player's folder besides the library and its side files.
    QStringList filesBeside() const;

    LibraryMaintenance::RepairResult repair(LibraryMaintenance::RepairReport* report,
                                            QString* error = nullptr,
                                            int recentMaximum = kRecentMaximum);
};
