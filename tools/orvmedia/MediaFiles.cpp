#include "MediaFiles.h"

#include "CommandLine.h"

QString storedText(const QUrl& url) {
    return displayUrl(url);
}

QString caseCollision(const QUrl& asked,
                      VireoStudio::MediaManagerInterface::NodeInterface* stored) {
    return QStringLiteral("%1 differs only in letter case from the stored entry %2 (id %3); the "
                          "library does not tell such URLs apart")
        .arg(displayUrl(asked), displayUrl(stored->getUri()))
        .arg(stored->getId());
}

bool findMediaFileArg(VireoStudio::MediaManagerInterface* library, const QString& urlOrId,
                      Held<VireoStudio::MediaManagerInterface::MediaFileInterface>& file,
                      QString* error) {
    qint64 id = 0;
    if (parseWholeNumber(urlOrId, &id) && library->getMediaFile(quint64(id), file.out()))
        return true;
    const QUrl url = urlFromArgument(urlOrId);
    if (url.isEmpty() || !library->findMediaFile(url, file.out())) {
        *error = QStringLiteral("no video file '%1' in the library").arg(urlOrId);
        return false;
    }
    if (storedText(file->getUri()) != storedText(url)) {
        *error = caseCollision(url, file.get());
        file.reset();
        return false;
    }
    return true;
}

bool findPlaylistArg(VireoStudio::MediaManagerInterface* library, const QString& nameOrId,
                     Held<VireoStudio::MediaManagerInterface::PlaylistInterface>& playlist) {
    if (library->findPlaylist(nameOrId, playlist.out()))
        return true;
    qint64 id = 0;
    return parseWholeNumber(nameOrId, &id) && library->getPlaylist(quint64(id), playlist.out());
}
