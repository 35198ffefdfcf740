#include "MediaProbe.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kModuleFile[] = "libOrvMediaProbe.so";

// The module beside the running program, or the one ORV_PROBE_PATH names.
QString modulePath() {
    const QByteArray fromEnvironment = qgetenv("ORV_PROBE_PATH");
    if (!fromEnvironment.isEmpty())
        return QString::fromLocal8Bit(fromEnvironment);
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self.canonicalFilePath()).absolutePath() + QLatin1Char('/') +
           QLatin1String(kModuleFile);
}

// The module's entry, loaded once for the whole process and kept until it ends.
struct Module {
    ProbeOpenFileFunction probe = nullptr;
    QString error;
};

const Module& module() {
    static Module loaded;
    static std::once_flag once;
    std::call_once(once, [] {
        const QString path = modulePath();
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            loaded.error = QStringLiteral("cannot load the probing module: %1")
                               .arg(QString::fromLocal8Bit(dlerror()));
            return;
        }
        loaded.probe = reinterpret_cast<ProbeOpenFileFunction>(dlsym(handle, ORV_PROBE_ENTRY));
        if (!loaded.probe)
            loaded.error = QStringLiteral("%1 has no %2").arg(path, QLatin1String(ORV_PROBE_ENTRY));
    });
    return loaded;
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

// Closes a descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd; }

private:
    int fd;
};

} // namespace

bool probingAvailable(QString* error) {
    if (module().probe)
        return true;
    *error = module().error;
    return false;
}

ProbeResult probeFile(const QByteArray& path, const ProbeLimits& limits) {
    ProbeResult result;
    // O_NONBLOCK: opening a FIFO put where a regular file was never waits for a writer.
    const Descriptor file(open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
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
    const Module& loaded = module();
    if (!loaded.probe) {
        result.reason = loaded.error;
        return result;
    }
    const qsizetype slash = path.lastIndexOf('/');
    loaded.probe(file.get(), path.mid(slash + 1), limits, &result);
    return result;
}
