#include "MediaFiles.h"

#include <QFileInfo>

namespace VireoStudio {
QString displayUrl(const QUrl& url) {
    return url.isValid() ? url.toString() : url.path();
}
} // namespace VireoStudio

QUrl urlArgument(const QString& text) {
    if (text.isEmpty())
        return QUrl();
    if (text.contains(QLatin1String("://")))
        return QUrl(text, QUrl::TolerantMode);
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

bool findMediaFileArg(VireoStudio::MediaManagerInterface* library, const QString& urlOrId,
                      Held<VireoStudio::MediaManagerInterface::MediaFileInterface>& file) {
    quint64 id = 0;
    if (parseNumber(urlOrId, &id) && library->getMediaFile(id, file.out()))
        return true;
    return library->findMediaFile(urlArgument(urlOrId), file.out());
}
