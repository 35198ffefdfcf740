#include "rows/AcquiredFileOperations.h"

#include "playlists/PlaylistTypes.h"
#include "playlists/SystemPlaylists.h"
#include "rows/AcquiredFile.h"
#include "rows/NodeStore.h"
#include "rows/QueuedFile.h"

namespace VireoStudio {

namespace {

using namespace NodeStatements;
typedef MediaManagerInterface M;

const int kQueuePlaylist = PlaylistTypes::kQueue;
const int kAcquiredPlaylist = PlaylistTypes::kAcquired;

using NodeStore::hasRow;
using NodeStore::nodeNameOf;

// Whether the node has a queued row; false in ran when that cannot be told.
bool isQueuedNode(LibraryContext& context, quint64 id, bool* ran) {
    return hasRow(context, kQueuedRowOf, ":ID", QVariant(id), ran);
}

// Runs a load statement for one id, left on its row; false when it fails or finds no row.
bool loadRow(Statement& row, quint64 id) {
    if (!row)
        return false;
    orv::bind(row, ":ID", QVariant(id));
    return row.exec() && row.next();
}

// The columns plain acquired and queued files share.
template <typename T> void fillAcquiredFile(AcquiredFileTemplate<T>* file, const Statement& row) {
    file->uri = row.value("uri"); // the stored text, whether QUrl can parse it or not
    file->id = QVariant(orv::toUInt64(row.value("node_id")));
    file->setStoredCreateDate(row.value("create_date"));
    // The load statements leave media_file_type out: a loaded object reports it as not set.
    file->mediaFileType = QVariant();
    file->size = row.value("size");
    file->title = row.value("title");
    file->description = row.value("description");
    if (!row.value("last_played").isNull())
        file->lastPlayed = row.value("last_played").toDateTime();
    file->userRating = row.value("user_rating");
    file->playCount = row.value("play_count");
    file->contentProvider = row.value("content_provider");
    file->contentId = row.value("content_id");
}

AcquiredFile* buildAcquiredFile(RowOwner& owner, const Statement& row) {
    auto* file = new AcquiredFile(&owner, orv::urlFromText(row.value("uri").toString()),
                                  row.value("name").toString());
    fillAcquiredFile(file, row);
    return file;
}

// A queued file shares the transient state of its node with every other object built for the
// node; the state is made when the node is first loaded.
QueuedFile* buildQueuedFile(RowOwner& owner, const Statement& row) {
    const quint64 id = orv::toUInt64(row.value("node_id"));
    const LibraryContext::Ptr<QueuedFileTransientData> shared =
        owner.context().transientData(id, true);
    auto* file = new QueuedFile(&owner, shared, orv::urlFromText(row.value("uri").toString()),
                                row.value("name").toString(),
                                orv::urlFromText(row.value("download_url").toString()));
    fillAcquiredFile(file, row);
    file->downloadUrl = row.value("download_url");
    file->downloadStatus = row.value("download_status");
    file->percentComplete = row.value("percent_complete");
    file->tempUri = row.value("temp_uri");
    return file;
}

// A new object for a URL that is already a media file takes over that file's descriptive
// values (not its node id).
template <typename T> void copyMediaRow(AcquiredFileTemplate<T>* file, const Statement& row) {
    file->size = row.value("size");
    file->title = row.value("title");
    file->mediaFileType = row.value("media_file_type");
    file->name = row.value("name");
    file->setStoredCreateDate(row.value("create_date"));
    file->description = row.value("description");
}

// Whether the URL has no acquired file yet; false too when that cannot be told.
bool hasNoAcquiredFile(LibraryContext& context, const QUrl& uri) {
    bool ran = false;
    const bool found = hasRow(context, kAcquiredByUri, ":URI", orv::urlText(uri), &ran);
    return ran && !found;
}

// Writes the rows of an acquired file (and of its download when queued is set, the same
// object) in one transaction and registers it. A new row whose store fails goes back to having
// no id: the id it was given belongs to a node the rollback removed, and the next node stored
// may be given it again.
template <typename T>
bool storeAcquiredFile(RowOwner& owner, AcquiredFileTemplate<T>* file, QueuedFile* queued) {
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    if (queued) {
        if (orv::isNotSet(queued->uri) || orv::isNotSet(queued->title) ||
            orv::isNotSet(queued->downloadUrl))
            return false;
    } else if (file->isNew() && (orv::isNotSet(file->uri) || orv::isNotSet(file->name) ||
                                 orv::isNotSet(file->contentId))) {
        return false;
    }

    const bool isNew = file->isNew();
    const bool acquiredMissing = isNew || !hasRow(context, kAcquiredRowOf, ":ID", file->id);
    Statement node = context.statement(isNew ? kInsertNode : kUpdateNode);
    Statement media = context.statement(isNew ? kInsertMediaFile : kUpdateMediaFile);
    Statement acquired =
        context.statement(acquiredMissing ? kInsertAcquiredFile : kUpdateAcquiredFile);
    Statement download;
    if (queued)
        download = context.statement(acquiredMissing ? kInsertQueuedFile : kUpdateQueuedFile);
    if (!node || !media || !acquired || (queued && !download))
        return false;
    if (isNew)
        media.bindValue(":TYPE", AcquiredFileTemplate<T>::kMediaFileType);

    library.beginTransaction();
    auto fail = [&]() {
        library.rollbackTransaction();
        if (isNew) {
            if (queued && !file->isNew())
                context.forgetTransientData(file->getId(), queued->transientData.get());
            file->id = QVariant();
            file->clearCreateDate();
        }
        return false;
    };

    if (!NodeStore::writeNode(node, file, isNew))
        return fail();
    if (isNew && queued)
        context.keepTransientData(file->getId(), queued->transientData);
    const quint64 id = file->getId();

    QList<int> join, leave;
    if (queued)
        join << kQueuePlaylist;
    (orv::isNotSet(file->contentId) ? leave : join) << kAcquiredPlaylist;
    if (!SystemPlaylists::update(owner, id, join, leave, isNew))
        return fail();

    NodeStore::bindMediaColumns(media, *file);
    if (!media.exec() || (isNew && media.numRowsAffected() != 1))
        return fail();

    orv::bind(acquired, ":ID", file->id);
    orv::bind(acquired, ":PROVIDER", file->contentProvider);
    orv::bind(acquired, ":CID", file->contentId);
    if (!acquired.exec() || (acquiredMissing && acquired.numRowsAffected() != 1))
        return fail();

    if (queued) {
        orv::bind(download, ":ID", file->id);
        orv::bind(download, ":TEMP", queued->tempUri);
        orv::bind(download, ":DLURL", queued->downloadUrl);
        orv::bind(download, ":STATUS", queued->downloadStatus);
        orv::bind(download, ":PERCENT", queued->percentComplete);
        if (!download.exec() || (acquiredMissing && download.numRowsAffected() != 1))
            return fail();
    }
    if (acquiredMissing)
        SystemPlaylists::invalidatePlaylistsOfNode(context, id);
    // A commit that does not happen is a store that did not happen.
    if (!library.commitTransaction())
        return fail();
    context.registerAcquiredFile(id, file);
    if (acquiredMissing)
        context.noteStoredRow(LibraryContext::RowKind::AcquiredFile, id, isNew);
    return true;
}

} // namespace

bool AcquiredFileOperations::newAcquiredFile(RowOwner& owner, const QUrl& uri, const QString& title,
                                             quint64 contentId, M::AcquiredFileInterface** out) {
    if (contentId == 0 || uri.isEmpty() || title.isEmpty())
        return false;
    const OperationFrame frame(owner);
    if (!frame || !hasNoAcquiredFile(owner.context(), uri))
        return false;
    Statement media = owner.context().statement(kMediaByUri);
    if (!media)
        return false;
    media.bindValue(":URI", orv::urlText(uri));
    auto* file = new AcquiredFile(&owner, uri, nodeNameOf(uri));
    file->title = title;
    file->contentId = QVariant(contentId);
    if (media.exec() && media.next())
        copyMediaRow(file, media);
    handOutNew(static_cast<M::AcquiredFileInterface*>(file), out);
    return true;
}

bool AcquiredFileOperations::newAcquiredFileForMediaFile(RowOwner& owner,
                                                         M::MediaFileInterface* media,
                                                         M::AcquiredFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame || !media || media->isNew())
        return false;
    bool ran = false;
    if (hasRow(owner.context(), kAcquiredRowOf, ":ID", QVariant(media->getId()), &ran) || !ran)
        return false;
    auto* file = new AcquiredFile(&owner, media->getUri(), media->getName());
    file->id = QVariant(media->getId());
    file->mediaFileType = QVariant(media->getMediaFileType());
    // The store of this object updates the node's media row: every value of that row is carried
    // over, so that storing the acquired part keeps what the media file had.
    file->title = media->isTitleNull() ? QVariant() : QVariant(media->getTitle());
    file->size = media->isSizeNull() ? QVariant() : QVariant(media->getSizeAsUInt64());
    file->createDate = media->isCreateDateNull() ? QVariant() : QVariant(media->getCreateDate());
    file->description = media->isDescriptionNull() ? QVariant() : QVariant(media->getDescription());
    file->lastPlayed = media->isLastPlayedNull() ? QVariant() : QVariant(media->getLastPlayed());
    file->userRating =
        media->isUserRatingNull() ? QVariant() : QVariant(media->getUserRatingAsInt64());
    if (!media->isPlayCountNull())
        file->playCount = QVariant(media->getPlayCountAsInt64());
    handOutNew(static_cast<M::AcquiredFileInterface*>(file), out);
    return true;
}

bool AcquiredFileOperations::findAcquiredFile(RowOwner& owner, const QUrl& uri,
                                              M::AcquiredFileInterface** out) {
    const OperationFrame frame(owner);
    quint64 id = 0;
    if (!frame || !NodeStore::nodeIdOfUri(owner.context(), uri, &id))
        return false;
    return getAcquiredFile(owner, id, out);
}

bool AcquiredFileOperations::getAcquiredFile(RowOwner& owner, quint64 id,
                                             M::AcquiredFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    if (context.handOutAcquiredFile(id, out))
        return true;
    // A node whose kind cannot be told is not loaded as the wrong kind.
    bool ran = false;
    const bool queued = isQueuedNode(context, id, &ran);
    Statement row = context.statement(queued ? kLoadQueuedFile : kLoadAcquiredFile);
    if (!ran || !loadRow(row, id))
        return false;
    M::AcquiredFileInterface* file = nullptr;
    if (queued)
        file = buildQueuedFile(owner, row);
    else
        file = buildAcquiredFile(owner, row);
    row.finish();
    copyOut(file, out);
    context.registerAcquiredFile(id, file);
    return true;
}

bool AcquiredFileOperations::saveAcquiredFile(RowOwner& owner, M::AcquiredFileInterface* file) {
    const OperationFrame frame(owner);
    if (!frame || !file)
        return false;
    if (auto* queued = dynamic_cast<QueuedFile*>(file))
        return storeAcquiredFile(owner, queued, queued);
    if (auto* acquired = dynamic_cast<AcquiredFile*>(file))
        return storeAcquiredFile(owner, acquired, nullptr);
    return false; // not one of the library's own objects
}

bool AcquiredFileOperations::deleteAcquiredFile(RowOwner& owner, quint64 id) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    SystemPlaylists::invalidatePlaylistsOfNode(owner.context(), id);
    // The schema's trigger takes the queued row with the acquired one; the node, its media row
    // and its video row stay. Held objects are detached only once the delete is committed.
    if (!NodeStore::deleteDetailRow(owner, kDeleteAcquiredFile, id,
                                    {kQueuePlaylist, kAcquiredPlaylist}))
        return false;
    owner.context().forgetAcquiredFile(id, true);
    return true;
}

bool AcquiredFileOperations::findAcquiredFileByContentId(RowOwner& owner, quint64 contentId,
                                                         M::AcquiredFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    Statement query = owner.context().statement(kNodeOfContentId);
    if (!query)
        return false;
    orv::bind(query, ":CID", QVariant(contentId));
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value(0));
    query.finish();
    return getAcquiredFile(owner, id, out);
}

bool AcquiredFileOperations::newQueuedFile(RowOwner& owner, const QUrl& uri, const QString& title,
                                           const QUrl& downloadUrl, M::QueuedFileInterface** out) {
    if (uri.isEmpty() || title.isEmpty() || downloadUrl.isEmpty())
        return false;
    const OperationFrame frame(owner);
    if (!frame || !hasNoAcquiredFile(owner.context(), uri))
        return false;
    Statement media = owner.context().statement(kMediaByUri);
    if (!media)
        return false;
    media.bindValue(":URI", orv::urlText(uri));
    // The transient state joins the library's map when the file is first stored.
    auto* file = new QueuedFile(
        &owner, vtl::RefCountedPtr<QueuedFileTransientData>(new QueuedFileTransientData), uri,
        nodeNameOf(uri), downloadUrl);
    file->title = title;
    if (media.exec() && media.next())
        copyMediaRow(file, media);
    handOutNew(static_cast<M::QueuedFileInterface*>(file), out);
    return true;
}

bool AcquiredFileOperations::getQueuedFile(RowOwner& owner, quint64 id,
                                           M::QueuedFileInterface** out) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    if (auto* queued = dynamic_cast<M::QueuedFileInterface*>(context.liveAcquiredFile(id))) {
        copyOut(queued, out);
        return true;
    }
    Statement row = context.statement(kLoadQueuedFile);
    if (!loadRow(row, id))
        return false;
    QueuedFile* file = buildQueuedFile(owner, row);
    row.finish();
    copyOut(static_cast<M::QueuedFileInterface*>(file), out);
    context.registerAcquiredFile(id, file);
    return true;
}

bool AcquiredFileOperations::deleteQueuedFile(RowOwner& owner, quint64 id) {
    const OperationFrame frame(owner);
    if (!frame)
        return false;
    LibraryContext& context = owner.context();
    SystemPlaylists::invalidatePlaylistsOfNode(context, id);
    bool ran = false;
    const bool isVideo = NodeStore::hasDetailRow(context, kVideoRowOf, id, &ran);
    if (!ran)
        return false;

    if (isVideo) {
        // Only the download goes: the node stays a video file and an acquired file.
        if (!NodeStore::deleteDetailRow(owner, kDeleteQueuedFile, id, {kQueuePlaylist}))
            return false;
        context.forgetAcquiredFile(id, true);
        context.forgetTransientData(id);
        return true;
    }
    // The whole node goes; the schema's trigger removes its detail rows and playlist items.
    if (!NodeStore::deleteNode(context, id))
        return false;
    context.forgetAcquiredFile(id, true);
    context.forgetMediaFile(id, true);
    return true;
}

} // namespace VireoStudio
