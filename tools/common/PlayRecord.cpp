#include "PlayRecord.h"

#include "FileUrls.h"
#include "HeldRow.h"

#include <QDateTime>

typedef VireoStudio::MediaManagerInterface M;

bool recordPlay(M* library, const QUrl& url, const std::optional<M::TitlePositionList>& positions,
                QString* error) {
    Held<M::RecentFileInterface> entry;
    if (!library->findRecentFile(url, entry.out()) && !library->newRecentFile(url, entry.out())) {
        *error = QStringLiteral("no recent entry can be made for %1").arg(displayUrl(url));
        return false;
    }
    if (positions)
        entry->setPositions(*positions);
    if (!entry->save()) {
        *error = QStringLiteral("the play of %1 could not be stored").arg(displayUrl(url));
        return false;
    }
    // Only the file of this very URL counts the play: an entry that differs in letter case is
    // another file.
    Held<M::MediaFileInterface> media;
    if (!library->findMediaFile(url, media.out()) || displayUrl(media->getUri()) != displayUrl(url))
        return true;
    auto* video = dynamic_cast<M::VideoFileInterface*>(media.get());
    if (!video)
        return true;
    video->setPlayCount(video->getPlayCountAsInt64() + 1);
    video->setLastPlayed(QDateTime::currentDateTime());
    if (!video->save()) {
        *error = QStringLiteral("the play count of %1 could not be stored").arg(displayUrl(url));
        return false;
    }
    return true;
}
