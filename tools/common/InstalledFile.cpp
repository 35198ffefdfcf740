#include "InstalledFile.h"

#include <QDir>
#include <QFileInfo>

InstalledFile InstalledFile::find(const QString& fileName, const QString& folderFromProgram) {
    InstalledFile found;
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    found.programFolder = QFileInfo(self.canonicalFilePath()).absolutePath();
    found.installedFolder =
        QDir::cleanPath(found.programFolder + QLatin1Char('/') + folderFromProgram);
    for (const QString& folder : {found.programFolder, found.installedFolder}) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (QFileInfo::exists(path)) {
            found.path = path;
            break;
        }
    }
    return found;
}

QString InstalledFile::notFound(const QString& fileName) const {
    return QStringLiteral("%1 is neither in %2 nor in %3")
        .arg(fileName, programFolder, installedFolder);
}
