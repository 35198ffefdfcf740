#include "ItemRecord.h"

#include "FileUrls.h"
#include "HeldRow.h"
#include "HumanFormat.h"

#include <QStringList>

typedef VireoStudio::MediaManagerInterface M;

namespace {

void fill(ItemRecord* record, M::MediaFileInterface* file) {
    record->valid = true;
    record->nodeId = file->getId();
    record->url = file->getUri();
    record->name = file->isNameNull() ? QString() : file->getName();
    const QString title = file->isTitleNull() ? QString() : file->getTitle();
    record->title = !title.isEmpty()          ? title
                    : !record->name.isEmpty() ? record->name
                                              : displayUrl(record->url);
    record->description = file->isDescriptionNull() ? QString() : file->getDescription();
    if (!file->isSizeNull())
        record->size = file->getSizeAsInt64();
    if (!file->isPlayCountNull())
        record->plays = file->getPlayCountAsInt64();
    if (!file->isUserRatingNull())
        record->rating = file->getUserRatingAsInt64();
    if (!file->isCreateDateNull())
        record->added = file->getCreateDate();
    if (!file->isLastPlayedNull())
        record->lastPlayed = file->getLastPlayed();
    if (auto* video = dynamic_cast<M::VideoFileInterface*>(file)) {
        if (!video->isDurationNull())
            record->durationMs = video->getDurationAsInt64();
    }
    if (auto* acquired = dynamic_cast<M::AcquiredFileInterface*>(file)) {
        if (!acquired->isContentProviderNull())
            record->provider = acquired->getContentProvider();
    }
    if (auto* queued = dynamic_cast<M::QueuedFileInterface*>(file)) {
        if (!queued->isDownloadStatusNull())
            record->status = queued->getDownloadStatus();
        if (!queued->isPercentCompleteNull())
            record->percent = queued->getPercentCompleteAsInt64();
        if (!queued->isDownloadUrlNull())
            record->downloadUrl = queued->getDownloadUrl();
    }
}

void fillRecent(ItemRecord* record, M* library, M::RecentFileInterface* entry) {
    record->recentId = entry->getId();
    record->positions = entry->getPositions();
    Held<M::MediaFileInterface> media;
    if (!entry->isNodeIdNull() && library->getMediaFile(entry->getNodeId(), media.out())) {
        fill(record, media.get());
        return;
    }
    // A URL played that is no file of the library.
    record->valid = true;
    record->url = entry->getUri();
    record->title = displayUrl(record->url);
}

} // namespace

ListKind listKindOf(int playlistType) {
    switch (playlistType) {
    case M::PLAYLIST_TYPE_RECENT:
        return ListKind::Recent;
    case M::PLAYLIST_TYPE_QUEUE:
        return ListKind::Queue;
    case M::PLAYLIST_TYPE_ACQUIRED:
        return ListKind::Acquired;
    default:
        return ListKind::Files;
    }
}

QByteArray ItemRecord::localPath() const {
    return pathFromFileUrl(url);
}

ItemRecord readItemAt(M* library, M::PlaylistInterface* playlist, ListKind kind, quint64 position) {
    ItemRecord record;
    switch (kind) {
    case ListKind::Recent: {
        Held<M::RecentFileInterface> entry;
        if (playlist->getRecentFileAtPosition(position, entry.out()))
            fillRecent(&record, library, entry.get());
        break;
    }
    case ListKind::Files: {
        Held<M::MediaFileInterface> media;
        if (playlist->getMediaFileAt(position, media.out())) {
            fill(&record, media.get());
            break;
        }
        [[fallthrough]]; // a user playlist may hold acquired content too
    }
    case ListKind::Queue:
    case ListKind::Acquired: {
        Held<M::AcquiredFileInterface> acquired;
        if (playlist->getAcquiredFileAt(position, acquired.out()))
            fill(&record, acquired.get());
        break;
    }
    }
    return record;
}

ItemRecord readItemOf(M* library, ListKind kind, quint64 nodeId) {
    ItemRecord record;
    Held<M::MediaFileInterface> media;
    Held<M::AcquiredFileInterface> acquired;
    if (library->getMediaFile(nodeId, media.out()))
        fill(&record, media.get());
    else if (library->getAcquiredFile(nodeId, acquired.out()))
        fill(&record, acquired.get());
    if (kind == ListKind::Recent && record.valid) {
        Held<M::RecentFileInterface> entry;
        if (library->findRecentFile(record.url, entry.out())) {
            record.recentId = entry->getId();
            record.positions = entry->getPositions();
        }
    }
    return record;
}

QString downloadStatusName(int status) {
    switch (status) {
    case 1:
        return QStringLiteral("Waiting");
    case 4:
        return QStringLiteral("Finished");
    case 6:
        return QStringLiteral("Stalled");
    default:
        return status < 0 ? QString() : QStringLiteral("Status %1").arg(status);
    }
}

QString resumeText(const M::TitlePositionList& positions) {
    QStringList titles;
    for (const M::TitlePosition& position : positions) {
        if (position.positionMsecs.isNull())
            continue;
        const QString at = formatDuration(position.positionMsecs.toLongLong());
        if (positions.size() == 1)
            return at;
        titles << QStringLiteral("title %1 at %2").arg(position.titleId.toLongLong()).arg(at);
    }
    return titles.join(QStringLiteral(", "));
}
