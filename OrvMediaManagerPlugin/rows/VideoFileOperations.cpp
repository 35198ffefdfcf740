// Video files: looking them up, making new ones, storing and deleting them. A store writes the
// node, media-file and video-file rows in one transaction; a delete detaches the live object
// and publishes the change.

#include "rows/NodeStore.h"
#include "rows/VideoFile.h"

#include "database/LibraryContext.h"
#include "plugin/OperationFrame.h"

namespace VireoStudio {

namespace {

const char kNodeIdByUri[] = "SELECT node_id FROM node WHERE uri = :URI";
// A video file's columns and its media_file_type, which must be that of a video file. The type
// comes with the columns so that a look-up is one statement; each table is sought by the bound
// id itself, which spares the statement reading the id back out of the node row first.
const char kLoadVideoFile[] =
    "SELECT node.node_id AS node_id, uri AS uri, name AS name, create_date AS create_date,  size "
    "AS size, title AS title, description AS description,  last_played AS last_played, "
    "user_rating AS user_rating,  play_count AS play_count,  duration AS duration, "
    "media_file_type AS media_file_type FROM node, media_file, video_file WHERE node.node_id = "
    ":ID   AND media_file.node_id = :ID   AND video_file.node_id = :ID;";
enum LoadedColumn {
    LoadedId,
    LoadedUri,
    LoadedName,
    LoadedCreateDate,
    LoadedSize,
    LoadedTitle,
    LoadedDescription,
    LoadedLastPlayed,
    LoadedUserRating,
    LoadedPlayCount,
    LoadedDuration,
    LoadedMediaFileType
};
// The columns of kLoadVideoFile, in its order, for the nodes whose ids the JSON array :IDS
// lists.
const char kPreloadVideoFiles[] =
    "SELECT node.node_id AS node_id, uri AS uri, name AS name, create_date AS create_date, size "
    "AS size, title AS title, description AS description, last_played AS last_played, "
    "user_rating AS user_rating, play_count AS play_count, duration AS duration, "
    "media_file_type AS media_file_type FROM node, media_file, video_file WHERE node.node_id IN "
    "(SELECT value FROM json_each(:IDS)) AND node.node_id = media_file.node_id AND "
    "node.node_id = video_file.node_id;";
const char kInsertVideoFile[] =
    "INSERT INTO video_file (node_id, duration) VALUES(:ID, :DURATION);";
const char kMediaRowExists[] = "SELECT node_id FROM media_file WHERE node_id = :NID";
const char kVideoRowExists[] = "SELECT node_id FROM video_file WHERE node_id = :NID";
const char kUpdateMediaFile[] =
    "UPDATE media_file SET size = :SIZE, title = :TITLE,       media_file_type = :TYPE, "
    "description = :DESC,       last_played = :LASTPLAYED, user_rating = :USERRATING,       "
    "play_count = :PLAYCOUNT WHERE node_id = :ID;";
const char kUpdateVideoFile[] = "UPDATE video_file SET duration = :DURATION WHERE node_id = :ID;";
const char kNodeByUri[] = "SELECT node_id AS node_id, name AS name, create_date AS create_date "
                          "FROM node WHERE uri = :URI;";
enum NodeColumn { NodeId, NodeName, NodeCreateDate };
const char kDeleteVideoRow[] = "DELETE FROM video_file WHERE node_id = :ID;";

typedef MediaManagerInterface M;
using NodeStore::hasRow;
using NodeStore::nodeNameOf;

VideoFile* buildVideoFile(OrvMediaManagerPlugin* owner, const Statement& row) {
    // The URI is kept as the stored text, whether QUrl can parse it or not: the object gets it
    // as it is, with no detour through a QUrl.
    auto* file = new VideoFile(owner, QUrl(), row.value(LoadedName).toString());
    file->uri = row.value(LoadedUri);
    file->id = QVariant(orv::toUInt64(row.value(LoadedId)));
    bool inUtc = false;
    const QDateTime created = row.storedDateTime(LoadedCreateDate, &inUtc);
    file->setStoredCreateDate(created, inUtc);
    file->size = row.value(LoadedSize);
    file->title = row.value(LoadedTitle);
    file->description = row.value(LoadedDescription);
    const QVariant lastPlayed = row.value(LoadedLastPlayed);
    if (!lastPlayed.isNull())
        file->lastPlayed = lastPlayed.toDateTime();
    file->userRating = row.value(LoadedUserRating);
    file->playCount = row.value(LoadedPlayCount);
    file->duration = row.value(LoadedDuration);
    return file;
}

// Writes the three rows of a video file in one transaction, without registering it. A store
// that wrote a new video row says so in createdVideoRow.
bool storeVideoFile(OrvMediaManagerPlugin& plugin, VideoFile* file, bool* createdVideoRow) {
    LibraryContext& context = *plugin.context;
    const bool isNew = file->isNew();
    bool mediaMissing = true;
    bool videoMissing = true;
    if (!isNew) {
        bool ran = false;
        mediaMissing = !hasRow(context, kMediaRowExists, ":NID", file->getId(), &ran);
        if (!ran)
            return false;
        videoMissing = !hasRow(context, kVideoRowExists, ":NID", file->getId(), &ran);
        if (!ran)
            return false;
    }
    Statement node = context.statement(isNew ? NodeStore::kInsertNode : NodeStore::kUpdateNode);
    Statement media =
        context.statement(mediaMissing ? NodeStore::kInsertMediaFile : kUpdateMediaFile);
    Statement video = context.statement(videoMissing ? kInsertVideoFile : kUpdateVideoFile);
    if (!node || !media || !video)
        return false;

    plugin.beginTransaction();
    // A new row that fails half-way goes back to having no id: the id it was given belongs to
    // a node the rollback removed, and the next node stored may be given it again.
    auto fail = [&]() {
        plugin.rollbackTransaction();
        if (isNew) {
            file->id = QVariant();
            file->clearCreateDate();
        }
        return false;
    };

    if (!NodeStore::writeNode(node, file, isNew))
        return fail();
    const quint64 id = file->getId();
    if (!plugin.updateSystemPlaylists(id, {1, 2}, {}, isNew))
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
        plugin.invalidatePlaylistsOfNode(id);
    }
    // A commit that does not happen is a store that did not happen.
    if (!plugin.commitTransaction())
        return fail();
    *createdVideoRow = videoMissing;
    return true;
}

} // namespace

bool OrvMediaManagerPlugin::getNodeIdByUri(const QUrl& uri, quint64* id) {
    QMutexLocker lock(&context->mutex);
    Statement query = context->statement(kNodeIdByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(uri));
    if (!query.exec() || !query.next())
        return false;
    if (id)
        *id = orv::toUInt64(query.value(0));
    return true;
}

bool OrvMediaManagerPlugin::findMediaFile(const QUrl& uri, MediaFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || !getNodeIdByUri(uri, &id))
        return false;
    return getMediaFile(id, out);
}

bool OrvMediaManagerPlugin::getMediaFile(quint64 id, MediaFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    if (LibraryContext::handOutLive(context->liveMediaFiles, id, out))
        return true;
    const auto preloaded = context->preloadedMediaFiles.find(id);
    if (preloaded != context->preloadedMediaFiles.end()) {
        const LibraryContext::Ptr<MediaFileInterface> file = preloaded.value();
        context->preloadedMediaFiles.erase(preloaded);
        if (context->contentStamp() == context->preloadStamp) {
            copyOut(file.get(), out);
            LibraryContext::registerRow<MediaFileInterface>(
                context->liveMediaFiles, context->mediaFileCache, id, file.get());
            return true;
        }
        // The library has changed since: nothing read ahead holds any more.
        QHash<quint64, LibraryContext::Ptr<MediaFileInterface>> stale;
        stale.swap(context->preloadedMediaFiles);
    }
    Statement query = context->statement(kLoadVideoFile);
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(id));
    if (!query.exec() || !query.next() ||
        query.value(LoadedMediaFileType).toInt() != VideoFile::kMediaFileType)
        return false;
    VideoFile* file = buildVideoFile(this, query);
    query.finish();
    copyOut(static_cast<MediaFileInterface*>(file), out);
    LibraryContext::registerRow<MediaFileInterface>(context->liveMediaFiles,
                                                    context->mediaFileCache, id, file);
    return true;
}

void OrvMediaManagerPlugin::preloadMediaFiles(const QList<quint64>& nodeIds,
                                              const ContentStamp& stamp) {
    QHash<quint64, LibraryContext::Ptr<MediaFileInterface>> dropped;
    dropped.swap(context->preloadedMediaFiles);
    QByteArray ids("[");
    for (const quint64 id : nodeIds) {
        if (context->liveMediaFiles.contains(id))
            continue;
        if (ids.size() > 1)
            ids += ',';
        ids += QByteArray::number(id);
    }
    ids += ']';
    if (ids.size() == 2)
        return;
    Statement query = context->statement(kPreloadVideoFiles);
    if (!query)
        return; // getMediaFile reads each on its own
    query.bindValue(":IDS", QString::fromLatin1(ids));
    if (!query.exec())
        return;
    QHash<quint64, LibraryContext::Ptr<MediaFileInterface>> preloaded;
    while (query.next()) {
        if (query.value(LoadedMediaFileType).toInt() != VideoFile::kMediaFileType)
            continue;
        VideoFile* file = buildVideoFile(this, query);
        preloaded.insert(file->getId(), LibraryContext::Ptr<MediaFileInterface>(file));
    }
    // A read that broke off keeps nothing: the ids it did not reach must not look absent.
    if (!query.readToEnd())
        return;
    context->preloadedMediaFiles.swap(preloaded);
    context->preloadStamp = stamp;
}

bool OrvMediaManagerPlugin::saveVideoFile(VideoFileInterface* file) {
    const OperationFrame frame(*this);
    auto* own = dynamic_cast<VideoFile*>(file);
    if (!frame || !own)
        return false;
    const bool wasNew = own->isNew();
    bool createdVideoRow = false;
    if (!storeVideoFile(*this, own, &createdVideoRow))
        return false;
    LibraryContext::registerRow<MediaFileInterface>(context->liveMediaFiles,
                                                    context->mediaFileCache, own->getId(), own);
    if (createdVideoRow)
        context->noteStoredRow(LibraryContext::RowKind::MediaFile, own->getId(), wasNew);
    return true;
}

bool OrvMediaManagerPlugin::newVideoFileForMediaFile(MediaFileInterface* media, quint64 size,
                                                     quint64 duration, VideoFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame || !media || media->isNew())
        return false;
    bool ran = false;
    if (hasRow(*context, NodeStore::kVideoRowOf, ":ID", media->getId(), &ran) || !ran)
        return false;
    auto* file = new VideoFile(this, media->getUri(), media->getName());
    file->id = QVariant(media->getId());
    file->title = media->isTitleNull() ? QVariant() : QVariant(media->getTitle());
    file->createDate = media->isCreateDateNull() ? QVariant() : QVariant(media->getCreateDate());
    file->size = QVariant(size);
    file->duration = QVariant(duration);
    handOutNew(static_cast<VideoFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::newVideoFile(const QUrl& uri, const QString& title, quint64 size,
                                         quint64 duration, VideoFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame || uri.isEmpty())
        return false;
    Statement query = context->statement(kNodeByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(uri));
    if (!query.exec())
        return false;
    VideoFile* file = nullptr;
    if (!query.next()) {
        file = new VideoFile(this, uri, nodeNameOf(uri));
    } else {
        const quint64 nodeId = orv::toUInt64(query.value(NodeId));
        bool ran = false;
        if (hasRow(*context, NodeStore::kVideoRowOf, ":ID", nodeId, &ran) || !ran)
            return false; // already a video file
        file = new VideoFile(this, uri, query.value(NodeName).toString());
        file->id = QVariant(nodeId);
        file->setStoredCreateDate(query.value(NodeCreateDate));
    }
    file->title = title;
    file->size = QVariant(size);
    file->duration = QVariant(duration);
    handOutNew(static_cast<VideoFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::deleteVideoFile(quint64 id) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    invalidatePlaylistsOfNode(id);
    bool ran = false;
    const bool isQueued = NodeStore::hasDetailRow(*context, NodeStore::kQueuedRowOf, id, &ran);
    if (!ran)
        return false;

    if (isQueued) {
        // The download stays: only the video part of the node goes.
        if (!NodeStore::deleteDetailRow(*this, kDeleteVideoRow, id, {2, 18}))
            return false;
        forgetNode(id, true);
        return true;
    }
    invalidatePlaylistsOfNode(id);
    if (!NodeStore::deleteNode(*context, id))
        return false;
    forgetMediaFile(id, true);
    forgetAcquiredFile(id, true);
    return true;
}

} // namespace VireoStudio
