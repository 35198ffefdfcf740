#include "LibraryBackup.h"

#include "LibraryCheck.h"
#include "LibraryFiles.h"
#include "Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unistd.h>

namespace LibraryMaintenance {

namespace {

const char kBackupTag[] = "backup";
const char kReplacedTag[] = "replaced";
const char kDailyTag[] = ".daily-";
// How long a copy waits for a writer that holds the library locked before it gives up.
const int kLockWaitMs = 120000;
const int kLockPollMs = 50;

QString temporaryBeside(const QString& path) {
    return QStringLiteral("%1.part-%2").arg(path).arg(::getpid());
}

// Copies the database at from to the new file to with the backup API, in one step and so in one
// read transaction of from, then checks the copy. A copy that fails is removed.
bool copyDatabase(const QString& from, const QString& to, QString* error) {
    Connection source;
    Connection target;
    if (!source.open(from, SQLITE_OPEN_READONLY, error) ||
        !target.open(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error)) {
        QFile::remove(to);
        return false;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    int rc = backup ? SQLITE_OK : SQLITE_ERROR;
    for (int waited = 0; backup && waited < kLockWaitMs; waited += kLockPollMs) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        sqlite3_sleep(kLockPollMs);
    }
    if (backup)
        sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = QStringLiteral("the library cannot be copied: %1")
                     .arg(rc == SQLITE_BUSY ? QStringLiteral("another program keeps it locked")
                                            : source.lastError());
        target.close();
        QFile::remove(to);
        return false;
    }
    const Problems damage = integrityProblems(target.get());
    target.close();
    if (!damage.isEmpty()) {
        *error = QStringLiteral("%1 is damaged, so it cannot be copied: %2")
                     .arg(from, damage.first().text);
        QFile::remove(to);
        return false;
    }
    return true;
}

} // namespace

bool backupLibrary(const QString& path, const QString& target, QString* error) {
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("there is no library at %1").arg(path);
        return false;
    }
    if (QFileInfo::exists(target)) {
        *error = QStringLiteral("%1 exists already").arg(target);
        return false;
    }
    const QString part = temporaryBeside(target);
    if (!copyDatabase(path, part, error))
        return false;
    if (!QFile::rename(part, target)) {
        *error = QStringLiteral("cannot write %1").arg(target);
        QFile::remove(part);
        return false;
    }
    return true;
}

QString defaultBackupName(const QString& path, const QDateTime& when) {
    return asideName(path, QLatin1String(kBackupTag), when);
}

bool dailyBackup(const QString& path, int keep, const QDateTime& now, QString* taken,
                 QString* error) {
    taken->clear();
    const QString today =
        path + QLatin1String(kDailyTag) + now.toString(QStringLiteral("yyyyMMdd"));
    if (QFileInfo::exists(today))
        return true;
    if (!backupLibrary(path, today, error))
        return false;
    *taken = today;
    // The names sort by their dates; the oldest beyond keep go.
    const QFileInfo library(path);
    const QString pattern =
        library.fileName() + QLatin1String(kDailyTag) + QStringLiteral("????????");
    QStringList backups = library.dir().entryList({pattern}, QDir::Files, QDir::Name);
    while (backups.size() > std::max(keep, 1))
        QFile::remove(library.dir().filePath(backups.takeFirst()));
    return true;
}

bool restoreLibrary(const QString& path, const QString& backup, int recentMaximum,
                    const QDateTime& now, QString* keptAs, QString* error) {
    keptAs->clear();
    const QFileInfo copy(backup);
    if (!copy.isFile()) {
        *error = QStringLiteral("there is no file at %1").arg(backup);
        return false;
    }
    if (copy.canonicalFilePath() == QFileInfo(path).canonicalFilePath()) {
        *error = QStringLiteral("%1 is the library itself").arg(backup);
        return false;
    }
    for (const Problem& problem : checkLibrary(backup, recentMaximum).problems) {
        if (problem.kind == QLatin1String("recent-maximum"))
            continue;
        *error = QStringLiteral("%1 is no sound library, so it is not restored: %2")
                     .arg(backup, problem.text);
        return false;
    }
    const QStringList holders = processesHolding(path);
    if (!holders.isEmpty()) {
        *error = QStringLiteral("the library is open in another program (%1): close it first")
                     .arg(holders.join(QLatin1String(", ")));
        return false;
    }
    const QString part = temporaryBeside(path);
    if (!copyDatabase(backup, part, error))
        return false;
    const QString aside =
        QFileInfo::exists(path) ? asideName(path, QLatin1String(kReplacedTag), now) : QString();
    if (!replaceKeepingAside(path, part, aside, error)) {
        QFile::remove(part);
        return false;
    }
    *keptAs = aside;
    return true;
}

} // namespace LibraryMaintenance
