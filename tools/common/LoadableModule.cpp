#include "LoadableModule.h"

#include "InstalledFile.h"

#include <QFile>
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
        const QString name = QLatin1String(fileName);
        const InstalledFile file =
            InstalledFile::find(name, QLatin1String(ORV_MODULEDIR_FROM_BINDIR));
        if (file.path.isEmpty()) {
            failure = file.notFound(name);
        } else {
            handle = dlopen(QFile::encodeName(file.path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!handle)
                failure = QStringLiteral("cannot load %1: %2")
                              .arg(file.path, QString::fromLocal8Bit(dlerror()));
        }
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
