#include "OSUtilities.h"

#include <QDir>
#include <QStandardPaths>

namespace VireoStudio {

namespace {
const char kPlayerFolder[] = "/Vireo/Vireo Studio";
const char kComponentId[] = "VireoStudio.MediaLibrary";
} // namespace

QString OSUtilities::getApplicationDataPath(bool base) {
    QString root = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (root.isEmpty())
        root = QDir::homePath() + QStringLiteral("/.local/share");
    if (base)
        return root;
    const QString player = root + QLatin1String(kPlayerFolder);
    // SQLite does not create folders: the library file needs its folder in place.
    QDir().mkpath(player);
    return player;
}

QByteArray OSUtilities::getComponentIdUTF8() {
    return QByteArray(kComponentId);
}

} // namespace VireoStudio
