#include "LibraryFiles.h"

#include "PluginSession.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LibraryMaintenance {

namespace {

const char kJournalMagic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";

struct FileId {
    dev_t device;
    ino_t inode;
};

bool fileId(const QByteArray& path, FileId* id) {
    struct stat info;
    if (::stat(path.constData(), &info) != 0)
        return false;
    *id = FileId{info.st_dev, info.st_ino};
    return true;
}

QString systemError(const QString& what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool rename(const QString& from, const QString& to) {
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Makes the renames in a folder durable: they live in the folder's own entries.
void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString libraryFileIn(const QString& folder) {
    return PluginSession::libraryFileIn(folder);
}

QStringList processesHolding(const QString& path) {
    QList<FileId> ids;
    FileId id;
    if (fileId(QFile::encodeName(path), &id))
        ids.append(id);
    for (const char* suffix : kSideFileSuffixes) {
        if (fileId(QFile::encodeName(path + QLatin1String(suffix)), &id))
            ids.append(id);
    }
    QStringList holders;
    if (ids.isEmpty())
        return holders;
    const pid_t self = ::getpid();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent* process = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        const QByteArray fdFolder = QByteArray("/proc/") + process->d_name + "/fd/";
        DIR* descriptors = ::opendir(fdFolder.constData());
        if (!descriptors)
            continue; // gone, or another user's
        bool holds = false;
        while (const dirent* fd = ::readdir(descriptors)) {
            // Each entry links to what the descriptor holds open; stat follows the link.
            if (fd->d_name[0] == '.' || !fileId(fdFolder + fd->d_name, &id))
                continue;
            holds = std::any_of(ids.begin(), ids.end(), [&](const FileId& file) {
                return file.device == id.device && file.inode == id.inode;
            });
            if (holds)
                break;
        }
        ::closedir(descriptors);
        if (!holds)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString name = comm.open(QIODevice::ReadOnly)
                                 ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                 : QStringLiteral("?");
        holders << QStringLiteral("%1 (%2)").arg(pid).arg(name);
    }
    ::closedir(proc);
    return holders;
}

bool leftJournal(const QString& path, qint64* size) {
    QFile journal(path + QLatin1String(kSideFileSuffixes[0]));
    if (!journal.open(QIODevice::ReadOnly) || journal.size() == 0)
        return false;
    *size = journal.size();
    return journal.read(8) == QByteArray(kJournalMagic, 8);
}

QString asideName(const QString& path, const QString& tag, const QDateTime& when) {
    const QString base =
        QStringLiteral("%1.%2-%3").arg(path, tag, when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int serial = 1;; ++serial) {
        const QString name = serial == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(serial);
        bool taken = QFileInfo::exists(name);
        for (const char* suffix : kSideFileSuffixes)
            taken = taken || QFileInfo::exists(name + QLatin1String(suffix));
        if (!taken)
            return name;
    }
}

bool copyWithSideFiles(const QString& from, const QString& to, bool sideFiles, QString* error) {
    if (!QFile::copy(from, to)) {
        *error = QStringLiteral("cannot copy %1 to %2").arg(from, to);
        return false;
    }
    // The index of a write-ahead log describes one process's view and is rebuilt from the log.
    for (const char* suffix : {kSideFileSuffixes[0], kSideFileSuffixes[1]}) {
        const QString side = from + QLatin1String(suffix);
        if (sideFiles && QFileInfo::exists(side) &&
            !QFile::copy(side, to + QLatin1String(suffix))) {
            *error = QStringLiteral("cannot copy %1").arg(side);
            return false;
        }
    }
    return true;
}

bool replaceKeepingAside(const QString& path, const QString& replacement, const QString& aside,
                         QString* error) {
    bool linked = false;
    QStringList movedSides;
    if (QFileInfo::exists(path)) {
        // A second name for the old file first, so that path is never missing; a file system
        // without hard links gets a rename and a moment without a library instead.
        linked =
            ::link(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0;
        if (!linked && !rename(path, aside)) {
            *error = systemError(QStringLiteral("cannot move %1 aside").arg(path));
            return false;
        }
        // A journal left beside the old file belongs to it, never to the new one.
        for (const char* suffix : kSideFileSuffixes) {
            const QString side = path + QLatin1String(suffix);
            if (!QFileInfo::exists(side))
                continue;
            if (!rename(side, aside + QLatin1String(suffix))) {
                *error = systemError(QStringLiteral("cannot move %1 aside").arg(side));
                for (const QString& moved : movedSides)
                    rename(aside + moved, path + moved);
                if (linked)
                    ::unlink(QFile::encodeName(aside).constData());
                else
                    rename(aside, path);
                return false;
            }
            movedSides << QLatin1String(suffix);
        }
    }
    if (!rename(replacement, path)) {
        *error = systemError(QStringLiteral("cannot put the new library in place at %1").arg(path));
        for (const QString& moved : movedSides)
            rename(aside + moved, path + moved);
        if (linked)
            ::unlink(QFile::encodeName(aside).constData());
        else if (QFileInfo::exists(aside))
            rename(aside, path);
        return false;
    }
    syncFolder(path);
    return true;
}

} // namespace LibraryMaintenance
