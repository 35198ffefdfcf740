#include "MediaProbe.h"

#include "FileDescriptor.h"
#include "LoadableModule.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The module's entry, resolved once for the process; null after setting error when the module
// cannot be loaded.
ProbeOpenFileFunction probeEntry(QString* error) {
    static QString failure;
    static const ProbeOpenFileFunction entry = reinterpret_cast<ProbeOpenFileFunction>(
        LoadableModule("libOrvMediaProbe.so").entry(ORV_PROBE_ENTRY, &failure));
    if (!entry)
        *error = failure;
    return entry;
}

QString systemError(int code) {
    return QString::fromLocal8Bit(strerror(code));
}

QString kindOfFile(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

} // namespace

bool probingAvailable(QString* error) {
    return probeEntry(error) != nullptr;
}

ProbeResult probeFile(const QByteArray& path, const ProbeLimits& limits) {
    ProbeResult result;
    // O_NONBLOCK: opening a FIFO put where a regular file was never waits for a writer.
    const FileDescriptor file(open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) {
        result.kind = ProbeResult::Unreadable;
        result.reason =
            errno == ELOOP ? QStringLiteral("a symbolic link loop") : systemError(errno);
        return result;
    }
    struct stat status = {};
    if (fstat(file.get(), &status) != 0) {
        result.reason = systemError(errno);
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.kind = ProbeResult::NotVideo;
        result.reason = kindOfFile(status.st_mode);
        return result;
    }
    result.size = status.st_size;
    result.modifiedNs = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    if (status.st_size == 0) {
        result.kind = ProbeResult::NotVideo;
        result.reason = QStringLiteral("an empty file");
        return result;
    }
    const ProbeOpenFileFunction probe = probeEntry(&result.reason);
    if (!probe)
        return result;
    const qsizetype slash = path.lastIndexOf('/');
    probe(file.get(), path.mid(slash + 1), limits, &result);
    return result;
}
