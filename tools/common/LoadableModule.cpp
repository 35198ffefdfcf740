#include "LoadableModule.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <dlfcn.h>

namespace {
QMutex loading;
} // namespace

bool LoadableModule::load(QString* error) {
    const QMutexLocker lock(&loading);
    if (!tried) {
        tried = true;
        const QFileInfo self(QStringLiteral("/proc/self/exe"));
        const QString path = QFileInfo(self.canonicalFilePath()).absolutePath() + QLatin1Char('/') +
                             QLatin1String(fileName);
        handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            failure = QStringLiteral("cannot load %1: %2")
                          .arg(QLatin1String(fileName), QString::fromLocal8Bit(dlerror()));
    }
    if (!handle)
        *error = failure;
    return handle != nullptr;
}

void* LoadableModule::entry(const char* name, QString* error) {
    if (!load(error))
        return nullptr;
    void* found = dlsym(handle, name);
    if (!found)
        *error = QStringLiteral("%1 has no %2").arg(QLatin1String(fileName), QLatin1String(name));
    return found;
}
