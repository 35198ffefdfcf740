// Acquired content and queued downloads: looking them up, making new ones, storing and deleting
// them. One live map serves both kinds, so a node has at most one registered object: a queued
// file whenever the node has a queued row, a plain acquired file otherwise.

#include "rows/AcquiredFile.h"
#include "rows/NodeStore.h"
#include "rows/QueuedFile.h"

#include "database/LibraryContext.h"
#include "plugin/OperationFrame.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace VireoStudio {

namespace {

const char kLoadAcquiredFile[] =
    "SELECT n.node_id AS node_id, n.uri AS uri, n.name AS name, n.create_date AS create_date,  "
    "     m.size AS size, m.title AS title, m.description AS description,       m.last_played AS "
    "last_played, m.user_rating AS user_rating,       m.play_count AS play_count,       "
    "a.content_provider AS content_provider, a.content_id AS content_id  FROM node n, media_file "
    "m, acquired_file a WHERE n.node_id = :ID   AND m.node_id = n.node_id   AND n.node_id = "
    "a.node_id";
const char kLoadQueuedFile[] =
    "SELECT n.node_id AS node_id, n.uri AS uri, n.name AS name, n.create_date AS create_date,  "
    "     m.size AS size, m.title AS title, m.description AS description,       m.last_played AS "
    "last_played, m.user_rating AS user_rating,       m.play_count AS play_count,       "
    "a.content_provider AS content_provider, a.content_id AS content_id,       q.temp_uri AS "
    "temp_uri, q.download_url AS download_url,       q.download_status AS download_status, "
    "q.percent_complete AS percent_complete  FROM node n, media_file m, acquired_file a, "
    "queued_file q WHERE n.node_id = :ID   AND m.node_id = n.node_id   AND a.node_id = n.node_id  "
    " AND q.node_id = n.node_id";
const char kNodeOfContentId[] = "SELECT node_id FROM acquired_file WHERE content_id = :CID";
const char kAcquiredByUri[] = "SELECT node.node_id  FROM node, acquired_file WHERE node.uri = "
                              ":URI   AND node.node_id = acquired_file.node_id";
const char kMediaByUri[] =
    "SELECT name AS name, create_date AS create_date,       media_file_type AS media_file_type, "
    "size AS size,       title AS title, description AS description  FROM node, media_file WHERE "
    "uri = :URI   AND node.node_id = media_file.node_id";
const char kAcquiredRowOf[] = "SELECT node_id FROM acquired_file WHERE node_id = :ID";
const char kInsertAcquiredFile[] = "INSERT INTO acquired_file (node_id, content_provider, "
                                   "content_id) VALUES(:ID, :PROVIDER, :CID)";
const char kInsertQueuedFile[] =
    "INSERT INTO queued_file (node_id, temp_uri, download_url,                         "
    "download_status, percent_complete ) VALUES(:ID, :TEMP, :DLURL, :STATUS, :PERCENT );";
const char kUpdateMediaFile[] =
    "UPDATE media_file SET size = :SIZE, title = :TITLE,       description = :DESC, last_played "
    "= :LASTPLAYED,       user_rating = :USERRATING, play_count = :PLAYCOUNT WHERE node_id = :ID;";
const char kUpdateAcquiredFile[] = "UPDATE acquired_file   SET content_provider = :PROVIDER, "
                                   "content_id = :CID WHERE node_id = :ID";
const char kUpdateQueuedFile[] =
    "UPDATE queued_file   SET temp_uri = :TEMP, download_url = :DLURL,       download_status = "
    ":STATUS, percent_complete = :PERCENT  WHERE node_id = :ID";
const char kDeleteAcquiredRow[] = "DELETE FROM acquired_file WHERE node_id = :ID";
const char kDeleteQueuedRow[] = "DELETE FROM queued_file WHERE node_id = :ID";

const int kQueuePlaylist = MediaManagerInterface::PLAYLIST_TYPE_QUEUE;
const int kAcquiredPlaylist = MediaManagerInterface::PLAYLIST_TYPE_ACQUIRED;

using NodeStore::hasRow;
using NodeStore::nodeNameOf;

// Whether the node has a queued row; false in ran when that cannot be told.
bool isQueuedNode(LibraryContext& context, quint64 id, bool* ran) {
    QMutexLocker lock(&context.mutex);
    return hasRow(context, NodeStore::kQueuedRowOf, ":ID", QVariant(id), ran);
}

// Runs a load statement for one id; false when it fails or finds no row.
bool loadRow(LibraryContext& context, const char* statement, quint64 id, QSqlRecord* row) {
    QSqlQuery query = context.newQuery();
    if (!query.prepare(QLatin1String(statement)))
        return false;
    orv::bind(query, QStringLiteral(":ID"), QVariant(id));
    if (!query.exec() || !query.next())
        return false;
    *row = query.record();
    return true;
}

// Registers a row as the live object of its id. The row is held meanwhile: a row nobody holds
// yet (a look-up whose caller wants no object) would otherwise be let go by the release hook
// half-way through its registration.
void registerAcquiredFile(LibraryContext& context, quint64 id,
                          MediaManagerInterface::AcquiredFileInterface* file) {
    const LibraryContext::Ptr<MediaManagerInterface::AcquiredFileInterface> held(file);
    LibraryContext::registerRow(context.liveAcquiredFiles, context.acquiredFileCache, id, file);
}

// The columns plain acquired and queued files share.
template <typename T> void fillAcquiredFile(AcquiredFileTemplate<T>* file, const QSqlRecord& row) {
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

AcquiredFile* buildAcquiredFile(OrvMediaManagerPlugin* owner, const QSqlRecord& row) {
    auto* file = new AcquiredFile(owner, orv::urlFromText(row.value("uri").toString()),
                                  row.value("name").toString());
    fillAcquiredFile(file, row);
    return file;
}

// A queued file shares the transient state of its node with every other object built for the
// node; the state is made when the node is first loaded.
QueuedFile* buildQueuedFile(OrvMediaManagerPlugin* owner, LibraryContext& context,
                            const QSqlRecord& row) {
    QMutexLocker lock(&context.mutex);
    const quint64 id = orv::toUInt64(row.value("node_id"));
    LibraryContext::Ptr<QueuedFileTransientData> shared = context.transientDataMap.value(id);
    if (!shared) {
        shared = LibraryContext::Ptr<QueuedFileTransientData>(new QueuedFileTransientData);
        context.transientDataMap.insert(id, shared);
    }
    auto* file = new QueuedFile(owner, shared, orv::urlFromText(row.value("uri").toString()),
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
template <typename T> void copyMediaRow(AcquiredFileTemplate<T>* file, const QSqlRecord& row) {
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
bool storeAcquiredFile(OrvMediaManagerPlugin& plugin, AcquiredFileTemplate<T>* file,
                       QueuedFile* queued) {
    LibraryContext& context = *plugin.context;
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
    Statement node = context.statement(isNew ? NodeStore::kInsertNode : NodeStore::kUpdateNode);
    Statement media = context.statement(isNew ? NodeStore::kInsertMediaFile : kUpdateMediaFile);
    Statement acquired =
        context.statement(acquiredMissing ? kInsertAcquiredFile : kUpdateAcquiredFile);
    Statement download;
    if (queued)
        download = context.statement(acquiredMissing ? kInsertQueuedFile : kUpdateQueuedFile);
    if (!node || !media || !acquired || (queued && !download))
        return false;
    if (isNew)
        media.bindValue(":TYPE", AcquiredFileTemplate<T>::kMediaFileType);

    plugin.beginTransaction();
    auto fail = [&]() {
        plugin.rollbackTransaction();
        if (isNew) {
            if (queued && !file->isNew()) {
                const quint64 id = file->getId();
                if (context.transientDataMap.value(id).get() == queued->transientData.get())
                    context.transientDataMap.remove(id);
            }
            file->id = QVariant();
            file->clearCreateDate();
        }
        return false;
    };

    if (!NodeStore::writeNode(node, file, isNew))
        return fail();
    if (isNew && queued)
        context.transientDataMap.insert(file->getId(), queued->transientData);
    const quint64 id = file->getId();

    QList<int> join, leave;
    if (queued)
        join << kQueuePlaylist;
    (orv::isNotSet(file->contentId) ? leave : join) << kAcquiredPlaylist;
    if (!plugin.updateSystemPlaylists(id, join, leave, isNew))
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
        plugin.invalidatePlaylistsOfNode(id);
    // A commit that does not happen is a store that did not happen.
    if (!plugin.commitTransaction())
        return fail();
    registerAcquiredFile(context, id, file);
    if (acquiredMissing)
        context.noteStoredRow(LibraryContext::RowKind::AcquiredFile, id, isNew);
    return true;
}

} // namespace

bool OrvMediaManagerPlugin::newAcquiredFile(const QUrl& uri, const QString& title,
                                            quint64 contentId, AcquiredFileInterface** out) {
    if (contentId == 0 || uri.isEmpty() || title.isEmpty())
        return false;
    const OperationFrame frame(*this);
    if (!frame || !hasNoAcquiredFile(*context, uri))
        return false;
    QSqlQuery media = context->newQuery();
    if (!media.prepare(QLatin1String(kMediaByUri)))
        return false;
    media.bindValue(QStringLiteral(":URI"), orv::urlText(uri));
    auto* file = new AcquiredFile(this, uri, nodeNameOf(uri));
    file->title = title;
    file->contentId = QVariant(contentId);
    if (media.exec() && media.next())
        copyMediaRow(file, media.record());
    handOutNew(static_cast<AcquiredFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::newAcquiredFileForMediaFile(MediaFileInterface* media,
                                                        AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame || !media || media->isNew())
        return false;
    bool ran = false;
    if (hasRow(*context, kAcquiredRowOf, ":ID", QVariant(media->getId()), &ran) || !ran)
        return false;
    auto* file = new AcquiredFile(this, media->getUri(), media->getName());
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
    handOutNew(static_cast<AcquiredFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || !getNodeIdByUri(uri, &id))
        return false;
    return getAcquiredFile(id, out);
}

bool OrvMediaManagerPlugin::getAcquiredFile(quint64 id, AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    const auto live = context->liveAcquiredFiles.constFind(id);
    if (live != context->liveAcquiredFiles.constEnd()) {
        copyOut(live.value().get(), out);
        return true;
    }
    // A node whose kind cannot be told is not loaded as the wrong kind.
    bool ran = false;
    const bool queued = isQueuedNode(*context, id, &ran);
    QSqlRecord row;
    if (!ran || !loadRow(*context, queued ? kLoadQueuedFile : kLoadAcquiredFile, id, &row))
        return false;
    AcquiredFileInterface* file = nullptr;
    if (queued)
        file = buildQueuedFile(this, *context, row);
    else
        file = buildAcquiredFile(this, row);
    copyOut(file, out);
    registerAcquiredFile(*context, id, file);
    return true;
}

bool OrvMediaManagerPlugin::saveAcquiredFile(AcquiredFileInterface* file) {
    const OperationFrame frame(*this);
    if (!frame || !file)
        return false;
    if (auto* queued = dynamic_cast<QueuedFile*>(file))
        return storeAcquiredFile(*this, queued, queued);
    if (auto* acquired = dynamic_cast<AcquiredFile*>(file))
        return storeAcquiredFile(*this, acquired, nullptr);
    return false; // not one of the library's own objects
}

bool OrvMediaManagerPlugin::deleteAcquiredFile(quint64 id) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    invalidatePlaylistsOfNode(id);
    // The schema's trigger takes the queued row with the acquired one; the node, its media row
    // and its video row stay. Held objects are detached only once the delete is committed.
    if (!NodeStore::deleteDetailRow(*this, kDeleteAcquiredRow, id,
                                    {kQueuePlaylist, kAcquiredPlaylist}))
        return false;
    forgetAcquiredFile(id, true);
    return true;
}

bool OrvMediaManagerPlugin::findAcquiredFileByContentId(quint64 contentId,
                                                        AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kNodeOfContentId)))
        return false;
    orv::bind(query, QStringLiteral(":CID"), QVariant(contentId));
    if (!query.exec() || !query.next())
        return false;
    const quint64 id = orv::toUInt64(query.value(0));
    query.finish();
    return getAcquiredFile(id, out);
}

bool OrvMediaManagerPlugin::newQueuedFile(const QUrl& uri, const QString& title,
                                          const QUrl& downloadUrl, QueuedFileInterface** out) {
    if (uri.isEmpty() || title.isEmpty() || downloadUrl.isEmpty())
        return false;
    const OperationFrame frame(*this);
    if (!frame || !hasNoAcquiredFile(*context, uri))
        return false;
    QSqlQuery media = context->newQuery();
    if (!media.prepare(QLatin1String(kMediaByUri)))
        return false;
    media.bindValue(QStringLiteral(":URI"), orv::urlText(uri));
    // The transient state joins the library's map when the file is first stored.
    auto* file = new QueuedFile(
        this, vtl::RefCountedPtr<QueuedFileTransientData>(new QueuedFileTransientData), uri,
        nodeNameOf(uri), downloadUrl);
    file->title = title;
    if (media.exec() && media.next())
        copyMediaRow(file, media.record());
    handOutNew(static_cast<QueuedFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::getQueuedFile(quint64 id, QueuedFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    const auto live = context->liveAcquiredFiles.constFind(id);
    if (live != context->liveAcquiredFiles.constEnd()) {
        if (auto* queued = dynamic_cast<QueuedFileInterface*>(live.value().get())) {
            copyOut(queued, out);
            return true;
        }
    }
    QSqlRecord row;
    if (!loadRow(*context, kLoadQueuedFile, id, &row))
        return false;
    QueuedFile* file = buildQueuedFile(this, *context, row);
    copyOut(static_cast<QueuedFileInterface*>(file), out);
    registerAcquiredFile(*context, id, file);
    return true;
}

bool OrvMediaManagerPlugin::deleteQueuedFile(quint64 id) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    invalidatePlaylistsOfNode(id);
    bool ran = false;
    const bool isVideo = NodeStore::hasDetailRow(*context, NodeStore::kVideoRowOf, id, &ran);
    if (!ran)
        return false;

    if (isVideo) {
        // Only the download goes: the node stays a video file and an acquired file.
        if (!NodeStore::deleteDetailRow(*this, kDeleteQueuedRow, id, {kQueuePlaylist}))
            return false;
        forgetAcquiredFile(id, true);
        context->transientDataMap.remove(id);
        return true;
    }
    // The whole node goes; the schema's trigger removes its detail rows and playlist items.
    if (!NodeStore::deleteNode(*context, id))
        return false;
    forgetAcquiredFile(id, true);
    forgetMediaFile(id, true);
    return true;
}

} // namespace VireoStudio
