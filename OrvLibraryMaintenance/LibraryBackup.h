#pragma once

// Backups of the library with SQLite's online backup API, which copies inside one read
// transaction of the library: the copy is consistent even while a player writes. Every copy is
// checked before it is kept, and a restore keeps the library it replaces.

#include <QDateTime>
#include <QString>

namespace LibraryMaintenance {

// Copies the library at path to target, which must not exist yet. The copy is written beside
// target under a temporary name, must pass SQLite's integrity check, and is then renamed to
// target; the copy of a damaged library is not kept.
bool backupLibrary(const QString& path, const QString& target, QString* error);

// Where a backup goes when no file is named: beside the library, named by the time.
QString defaultBackupName(const QString& path, const QDateTime& when);

// The daily backup of a host that runs for long: at most one a day, "PATH.daily-YYYYMMDD", of
// which the newest keep are kept. taken gets the new file, or stays empty when today's exists.
bool dailyBackup(const QString& path, int keep, const QDateTime& now, QString* taken,
                 QString* error);

// Puts a copy of backup in the library's place. The backup must be a sound library first: the
// checks of check, apart from the recent list's length, which the player trims itself. The
// library there, with its side files, is kept as "PATH.replaced-YYYYMMDD-HHMMSS" (keptAs; empty
// when there was none). Refuses while another program holds the library open.
bool restoreLibrary(const QString& path, const QString& backup, int recentMaximum,
                    const QDateTime& now, QString* keptAs, QString* error);

} // namespace LibraryMaintenance
