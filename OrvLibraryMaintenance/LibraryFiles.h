#pragma once

// The library file among its neighbours: the side files SQLite keeps beside it, the programs
// that hold it open, the names a library set aside gets, and the swap that puts another library
// in its place while the one there is kept.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace LibraryMaintenance {

// SQLite's side files of a database, named by what follows the database's own name: its
// rollback journal, its write-ahead log and that log's index.
inline constexpr const char* kSideFileSuffixes[] = {"-journal", "-wal", "-shm"};

// The library file in a folder, by the name the player gives it.
QString libraryFileIn(const QString& folder);

// Every other process that holds path or one of its side files open, "PID (NAME)" each. Read
// from /proc: a process of another user that this one may not inspect is not seen.
QStringList processesHolding(const QString& path);

// Whether a write that never finished left its rollback journal beside path (a journal that is
// not empty and begins with SQLite's journal header); size gets the journal's size.
bool leftJournal(const QString& path, qint64* size);

// A name beside path that neither a file nor its side files use: "PATH.TAG-YYYYMMDD-HHMMSS",
// followed by "-2", "-3"... when that is taken.
QString asideName(const QString& path, const QString& tag, const QDateTime& when);

// Copies the file at from, and with sideFiles its journal and write-ahead log, to to.
bool copyWithSideFiles(const QString& from, const QString& to, bool sideFiles, QString* error);

// Puts the file at replacement in path's place. What was at path, with its side files, is kept
// under aside, byte for byte; nothing is deleted. The library is never missing in between where
// the file system allows a second link: path changes in one step from the old file to the new.
bool replaceKeepingAside(const QString& path, const QString& replacement, const QString& aside,
                         QString* error);

} // namespace LibraryMaintenance
