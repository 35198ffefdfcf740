#include "LoadableModule.h"

#include <QDir>
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
        // Beside the program in a build tree; in the modules' folder, relative to the
        // program's, once installed.
        const QFileInfo self(QStringLiteral("/proc/self/exe"));
        const QString programFolder = QFileInfo(self.canonicalFilePath()).absolutePath();
        const QString installedFolder = QDir::cleanPath(programFolder + QLatin1Char('/') +
                                                        QLatin1String(ORV_MODULEDIR_FROM_BINDIR));
        for (const QString& folder : {programFolder, installedFolder}) {
            const QString path = folder + QLatin1Char('/') + QLatin1String(fileName);
            if (!QFileInfo::exists(path))
                continue;
            handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (!handle)
                failure = QStringLiteral("cannot load %1: %2")
                              .arg(path, QString::fromLocal8Bit(dlerror()));
            break;
        }
        if (!handle && failure.isEmpty())
            failure = QStringLiteral("%1 is neither in %2 nor in %3")
                          .arg(QLatin1String(fileName), programFolder, installedFolder);
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
