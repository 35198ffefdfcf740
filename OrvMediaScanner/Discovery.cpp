#include "Discovery.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(strerror(code));
}

QString whyUnreadable(int code) {
    if (code == ELOOP)
        return QStringLiteral("a symbolic link loop");
    if (code == ENOENT)
        return QStringLiteral("does not exist");
    return systemError(code);
}

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("not a regular file: a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("not a regular file: a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("not a regular file: a device");
    return QStringLiteral("not a regular file");
}

qint64 modifiedNs(const struct stat& status) {
    return qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
}

} // namespace

void Discovery::walk(const QByteArray& path, const std::function<void(FoundFile&&)>& found,
                     const std::function<void(PassedOver&&)>& passedOver,
                     const std::atomic<bool>* stop) {
    struct stat status = {};
    if (stat(path.constData(), &status) != 0) {
        passedOver({path, true, whyUnreadable(errno)});
        return;
    }
    if (S_ISREG(status.st_mode)) {
        if (files.insert({status.st_dev, status.st_ino}).second)
            found({path, status.st_size, modifiedNs(status)});
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        passedOver({path, false, kindOf(status.st_mode)});
        return;
    }
    if (!folders.insert({status.st_dev, status.st_ino}).second)
        return;
    // Depth first, one folder open at a time: the subfolders wait in pending.
    QList<QByteArray> pending{path};
    while (!pending.isEmpty() && !(stop && *stop))
        list(pending.takeLast(), &pending, found, passedOver);
}

void Discovery::list(const QByteArray& folder, QList<QByteArray>* pending,
                     const std::function<void(FoundFile&&)>& found,
                     const std::function<void(PassedOver&&)>& passedOver) {
    const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!listing) {
        const int code = errno;
        if (fd >= 0)
            close(fd);
        passedOver(
            {folder, true, QStringLiteral("folder cannot be read: %1").arg(systemError(code))});
        return;
    }
    QList<QByteArray> names;
    while (const dirent* entry = readdir(listing)) {
        // Hidden files and folders, "." and ".." among them, are not the user's media.
        if (entry->d_name[0] != '.')
            names.append(QByteArray(entry->d_name));
    }
    std::sort(names.begin(), names.end());

    QList<QByteArray> subfolders;
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    for (const QByteArray& name : names) {
        const QByteArray path = prefix + name;
        struct stat status = {};
        if (fstatat(dirfd(listing), name.constData(), &status, 0) != 0) {
            passedOver({path, true, whyUnreadable(errno)});
            continue;
        }
        if (S_ISREG(status.st_mode)) {
            if (files.insert({status.st_dev, status.st_ino}).second)
                found({path, status.st_size, modifiedNs(status)});
        } else if (S_ISDIR(status.st_mode)) {
            if (options.recurse && folders.insert({status.st_dev, status.st_ino}).second)
                subfolders.append(path);
        } else {
            passedOver({path, false, kindOf(status.st_mode)});
        }
    }
    closedir(listing);
    // Taken from the end: the first subfolder in name order is listed next.
    std::reverse(subfolders.begin(), subfolders.end());
    pending->append(subfolders);
}
