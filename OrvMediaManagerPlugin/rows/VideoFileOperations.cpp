#include "rows/VideoFileOperations.h"

#include "playlists/PlaylistTypes.h"
#include "playlists/SystemPlaylists.h"
#include "rows/NodeStore.h"
#include "rows/VideoFile.h"

namespace VireoStudio {

namespace {

using namespace NodeStatements;
using NodeStore::hasRow;
using NodeStore::nodeNameOf;
typedef MediaManagerInterface M;

VideoFile* buildVideoFile(RowOwner& owner, const Statement& row) {
    // The URI is kept as the stored text, whether QUrl can parse it or not: the object gets it
    // as it is, with no detour through a QUrl.
    auto* file = new VideoFile(&owner, QUrl(), row.value(VideoName).toString());
    file->uri = row.value(VideoUri);
    file->id = QVariant(orv::toUInt64(row.value(VideoId)));
    bool inUtc = false;
    const QDateTime created = row.storedDateTime(VideoCreateDate, &inUtc);
    file->setStoredCreateDate(created, inUtc);
    file->size = row.value(VideoSize);
    file->title = row.value(VideoTitle);
    file->description = row.value(VideoDescription);
    const QVariant lastPlayed = row.value(VideoLastPlayed);
    if (!lastPlayed.isNull())
        file->lastPlayed = lastPlayed.toDateTime();
    file->userRating = row.value(VideoUserRating);
    file->playCount = row.value(VideoPlayCount);
    file->duration = row.value(VideoDuration);
    return file;
}

// Writes the three rows of a video file in one transaction, without registering it. A store
// that wrote a new video row says so in createdVideoRow.
bool storeVideoFile(RowOwner& owner, VideoFile* file, bool* createdVideoRow) {
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    const bool isNew = file->isNew();
    bool mediaMissing = true;
    bool videoMissing = true;
    if (!isNew) {
        bool ran = false;
        mediaMissing = !hasRow(context, kMediaRowOf, ":ID", file->getId(), &ran);
        if (!ran)
            return false;
        videoMissing = !hasRow(context, kVideoRowOf, ":ID", file->getId(), &ran);
        if (!ran)
            return false;
    }
    Statement node = context.statement(isNew ? kInsertNode : kUpdateNode);
    Statement media = context.statement(mediaMissing ? kInsertMediaFile : kUpdateMediaFile);
    Statement video = context.statement(videoMissing ? kInsertVideoFile : kUpdateVideoFile);
    if (!node || !media || !video)
        return false;

    library.beginTransaction();
    // A new row that fails half-way goes back to having no id: the id it was given belongs to
    // a node the rollback removed, and the next node stored may be given it again.
    auto fail = [&]() {
        library.rollbackTransaction();
        if (isNew) {
            file->id = QVariant();
            file->clearCreateDate();
        }
        return false;
    };

    if (!NodeStore::writeNode(node, file, isNew))
        return fail();
    const quint64 id = file->getId();
    if (!SystemPlaylists::update(owner, id, {PlaylistTypes::kAllFiles, PlaylistTypes::kVideos}, {},
                                 isNew))
        return fail();

    NodeStore::bindMediaColumns(media, *file);
    media.bindValue(":TYPE", VideoFile::kMediaFileType);
    if (!media.exec() || (mediaMissing && media.numRowsAffected() != 1))
        return fail();

    orv::bind(video, ":ID", file->id);
    orv::bind(video, ":DURATION", file->duration);
    if (!video.exec())
        return fail();
    if (videoMissing) {
        if (video.numRowsAffected() != 1)
            return fail();
        SystemPlaylists::invalidatePlaylistsOfNode(context, id);
    }
    // A commit that does not happen is a store that did not happen.
    if (!library.commitTransaction())
        return fail();
    *createdVideoRow = videoMissing;
    return true;
}

} // namespace

bool VideoFileOperations::findMediaFile(RowOwner& owner, const QUrl& uri,
                                        M::MediaFileInterface** out) {
    const OperationFrame frame(owner);
    quint64 id = 0;
    if (!frame || !NodeStore::nodeIdOfUri(owner.context(), uri, &id))
        return false;
    return getMediaFile(owner, id, out);
}

bool VideoFileOperations::getMediaFile(RowOwner& owner, quint64 id, M::MediaFileInterface** out) {
    return getMediaFileAsOf(owner, id, ContentStamp(), out);
}

bool VideoFileOperations::getMediaFileAsOf(RowOwner& owner, quint64 id, const ContentStamp& now,
                                           M::MediaFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    if (context.handOutMediaFile(id, out))
        return true;
    bool fresh = false;
    const LibraryContext::Ptr<M::MediaFileInterface> readAhead =
        context.takeReadAhead(id, now, &fresh);
    if (readAhead && fresh) {
        copyOut(readAhead.get(), out);
        context.registerMediaFile(id, readAhead.get());
        return true;
    }
    Statement query = context.statement(kLoadVideoFile);
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(id));
    if (!query.exec() || !query.next() ||
        query.value(VideoMediaFileType).toInt() != VideoFile::kMediaFileType)
        return false;
    VideoFile* file = buildVideoFile(owner, query);
    query.finish();
    copyOut(static_cast<M::MediaFileInterface*>(file), out);
    context.registerMediaFile(id, file);
    return true;
}

void VideoFileOperations::readAhead(RowOwner& owner, const QList<quint64>& nodeIds,
                                    const ContentStamp& stamp) {
    LibraryContext& context = owner.context();
    context.dropReadAhead();
    QByteArray ids("[");
    for (const quint64 id : nodeIds) {
        if (context.hasLiveMediaFile(id))
            continue;
        if (ids.size() > 1)
            ids += ',';
        ids += QByteArray::number(id);
    }
    ids += ']';
    if (ids.size() == 2)
        return;
    Statement query = context.statement(kLoadVideoFiles);
    if (!query)
        return; // getMediaFile reads each on its own
    query.bindValue(":IDS", QString::fromLatin1(ids));
    if (!query.exec())
        return;
    QHash<quint64, LibraryContext::Ptr<M::MediaFileInterface>> files;
    while (query.next()) {
        if (query.value(VideoMediaFileType).toInt() != VideoFile::kMediaFileType)
            continue;
        VideoFile* file = buildVideoFile(owner, query);
        files.insert(file->getId(), LibraryContext::Ptr<M::MediaFileInterface>(file));
    }
    // A read that broke off keeps nothing: the ids it did not reach must not look absent.
    if (!query.readToEnd())
        return;
    context.keepReadAhead(files, stamp);
}

bool VideoFileOperations::saveVideoFile(RowOwner& owner, M::VideoFileInterface* file) {
    const OperationFrame frame(owner);
    auto* own = dynamic_cast<VideoFile*>(file);
    if (!frame || !own)
        return false;
    const bool wasNew = own->isNew();
    bool createdVideoRow = false;
    if (!storeVideoFile(owner, own, &createdVideoRow))
        return false;
    LibraryContext& context = owner.context();
    context.registerMediaFile(own->getId(), own);
    if (createdVideoRow)
        context.noteStoredRow(LibraryContext::RowKind::MediaFile, own->getId(), wasNew);
    return true;
}

bool VideoFileOperations::newVideoFileForMediaFile(RowOwner& owner, M::MediaFileInterface* media,
                                                   quint64 size, quint64 duration,
                                                   M::VideoFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame || !media || media->isNew())
        return false;
    bool ran = false;
    if (hasRow(owner.context(), kVideoRowOf, ":ID", media->getId(), &ran) || !ran)
        return false;
    auto* file = new VideoFile(&owner, media->getUri(), media->getName());
    file->id = QVariant(media->getId());
    file->title = media->isTitleNull() ? QVariant() : QVariant(media->getTitle());
    file->createDate = media->isCreateDateNull() ? QVariant() : QVariant(media->getCreateDate());
    file->size = QVariant(size);
    file->duration = QVariant(duration);
    handOutNew(static_cast<M::VideoFileInterface*>(file), out);
    return true;
}

bool VideoFileOperations::newVideoFile(RowOwner& owner, const QUrl& uri, const QString& title,
                                       quint64 size, quint64 duration,
                                       M::VideoFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame || uri.isEmpty())
        return false;
    LibraryContext& context = owner.context();
    Statement query = context.statement(kNodeByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(uri));
    if (!query.exec())
        return false;
    VideoFile* file = nullptr;
    if (!query.next()) {
        file = new VideoFile(&owner, uri, nodeNameOf(uri));
    } else {
        const quint64 nodeId = orv::toUInt64(query.value(0));
        bool ran = false;
        if (hasRow(context, kVideoRowOf, ":ID", nodeId, &ran) || !ran)
            return false; // already a video file
        file = new VideoFile(&owner, uri, query.value(1).toString());
        file->id = QVariant(nodeId);
        file->setStoredCreateDate(query.value(2));
    }
    file->title = title;
    file->size = QVariant(size);
    file->duration = QVariant(duration);
    handOutNew(static_cast<M::VideoFileInterface*>(file), out);
    return true;
}

bool VideoFileOperations::deleteVideoFile(RowOwner& owner, quint64 id) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    SystemPlaylists::invalidatePlaylistsOfNode(context, id);
    bool ran = false;
    const bool isQueued = NodeStore::hasDetailRow(context, kQueuedRowOf, id, &ran);
    if (!ran)
        return false;

    if (isQueued) {
        // The download stays: only the video part of the node goes.
        if (!NodeStore::deleteDetailRow(owner, kDeleteVideoFile, id,
                                        {PlaylistTypes::kVideos, PlaylistTypes::kAcquired}))
            return false;
        context.forgetNode(id, true);
        return true;
    }
    SystemPlaylists::invalidatePlaylistsOfNode(context, id);
    if (!NodeStore::deleteNode(context, id))
        return false;
    context.forgetMediaFile(id, true);
    context.forgetAcquiredFile(id, true);
    return true;
}

} // namespace VireoStudio
