#include "LegacyQueueImporter.h"

#include "database/SqlValues.h"
#include "playlists/PlaylistTypes.h"
#include "rows/NodeStatements.h"

#include <QFile>
#include <QList>
#include <QXmlStreamReader>

namespace VireoStudio {

namespace {

// Elements of the queue file; everything else in it is ignored.
const char kQueueElement[] = "DownloadQueue";
const char kItemElement[] = "DownloadItem";

// Content that has no local file yet is named by its ticket under this scheme.
const char kVodScheme[] = "vireo_vod_file://";
const char kFileScheme[] = "file://";

const int kStatusNew = 1;
const int kStatusFinished = 4;
const int kStatusKept = 5;
const int kVideoMediaType = 1;

// One DownloadItem as the library stores it.
struct QueueItem {
    QString downloadUrl;
    QString ticket;
    QString contentUri;
    bool encrypted = false;
    int status = kStatusNew;
    QString title;
    quint64 fileSize = 0;
    QString provider;
    qint64 contentId = 0;
    bool ticketTorn = false;

    bool finished() const { return status == kStatusFinished; }
};

// A missing attribute is no text (NULL in a text column); a present one, even empty, is text.
QString text(const QXmlStreamAttributes& attributes, const char* name) {
    return attributes.value(QLatin1String(name)).toString();
}

bool flag(const QXmlStreamAttributes& attributes, const char* name) {
    return text(attributes, name).toLower() == QLatin1String("true");
}

// A local path as a file URI: backslashes become slashes, and a path that is not a file URI
// yet gets the scheme ("file://" before an absolute path, "file:///" before a drive letter).
QString fileUri(QString path) {
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1String(kFileScheme)))
        return path;
    if (path.startsWith(QLatin1Char('/')))
        return QLatin1String(kFileScheme) + path;
    return QLatin1String(kFileScheme) + QLatin1Char('/') + path;
}

QueueItem readItem(const QXmlStreamAttributes& attributes) {
    QueueItem item;
    item.ticket = text(attributes, "ticket");
    item.downloadUrl = text(attributes, "url");
    if (item.downloadUrl.isEmpty() && !item.ticket.isEmpty())
        item.downloadUrl = QLatin1String(kVodScheme) + item.ticket;
    item.encrypted = flag(attributes, "encrypted");
    const int status = text(attributes, "status").toInt(nullptr, 10);
    item.status = (status == kStatusFinished || status == kStatusKept) ? status : kStatusNew;
    item.contentUri = item.finished() ? fileUri(text(attributes, "filePath"))
                                      : QLatin1String(kVodScheme) + item.ticket;
    item.title = text(attributes, "title");
    item.fileSize = text(attributes, "fileSize").toULongLong(nullptr, 10);
    item.provider = text(attributes, "contentProviderDisplayName");
    item.contentId = text(attributes, "contentEncryptionUsageID").toLongLong(nullptr, 10);
    item.ticketTorn = flag(attributes, "ticketAlreadyTorn");
    return item;
}

} // namespace

LegacyQueueImporter::LegacyQueueImporter(const QString& path, LibraryDatabase& library)
    : ImportTarget(library), path(path) {}

bool LegacyQueueImporter::importQueue() {
    using namespace NodeStatements;
    insertNode = libraryStatement(kInsertNode);
    insertMediaFile = libraryStatement(kInsertMediaFile);
    insertVideoFile = libraryStatement(kInsertVideoFile);
    insertAcquiredFile = libraryStatement(kInsertAcquiredFile);
    insertQueuedFile = libraryStatement(kInsertQueuedFile);
    selectAcquired = libraryStatement(kAcquiredRowOf);
    selectQueued = libraryStatement(kQueuedRowOf);
    selectMedia = libraryStatement(kMediaRowOf);
    selectVideo = libraryStatement(kVideoRowOf);
    if (!insertNode || !insertMediaFile || !insertVideoFile || !insertAcquiredFile ||
        !insertQueuedFile || !selectAcquired || !selectQueued || !selectMedia || !selectVideo ||
        !prepareTargetStatements())
        return false;

    // A queue file that cannot be read is passed over: the library must open all the same.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;

    // Read as a stream; an XML error ends the reading like the end of the file does, and the
    // downloads read before it stay imported.
    QXmlStreamReader reader(&file);
    bool inQueue = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == QLatin1String(kQueueElement))
                inQueue = true;
            else if (inQueue && reader.name() == QLatin1String(kItemElement) &&
                     !importItem(reader.attributes()))
                return false;
        } else if (reader.isEndElement() && reader.name() == QLatin1String(kQueueElement)) {
            inQueue = false;
        }
    }
    return true;
}

bool LegacyQueueImporter::importItem(const QXmlStreamAttributes& attributes) {
    const QueueItem item = readItem(attributes);
    if (item.downloadUrl.isEmpty())
        return true; // nothing to download from: not a download

    QList<quint64> targets;
    quint64 playlistId = 0;
    if (!getImportPlaylistId(playlistId, PlaylistTypes::kQueue, QString()))
        return false;
    targets.append(playlistId);
    if (item.finished() && item.encrypted) {
        if (!getImportPlaylistId(playlistId, PlaylistTypes::kAcquired, QString()))
            return false;
        targets.append(playlistId);
    }

    // A node the library has already: a file the library import brought in, or content an
    // earlier item of the queue names too. An item whose node is queued already is a duplicate
    // (the first wins); otherwise the node gets the rows it lacks and keeps those it has.
    quint64 nodeId = 0;
    const bool known = findNodeIdByUri(item.contentUri, nodeId);
    bool hasAcquired = false, hasQueued = false, hasMedia = false, hasVideo = false;
    if (known) {
        if (!hasRow(selectQueued, nodeId, &hasQueued))
            return false;
        if (hasQueued) {
            skipDuplicate();
            return true;
        }
        if (!hasRow(selectAcquired, nodeId, &hasAcquired) ||
            !hasRow(selectMedia, nodeId, &hasMedia) || !hasRow(selectVideo, nodeId, &hasVideo))
            return false;
    } else {
        orv::bind(insertNode, ":URI", item.contentUri);
        orv::bind(insertNode, ":NAME", nodeName(item.contentUri));
        bool ok = false;
        if (insertNode.exec())
            nodeId = orv::toUInt64(insertNode.lastInsertId(), &ok);
        if (!ok)
            return false;
    }

    if (!hasAcquired) {
        orv::bind(insertAcquiredFile, ":ID", nodeId);
        orv::bind(insertAcquiredFile, ":PROVIDER", item.provider);
        orv::bind(insertAcquiredFile, ":CID", item.contentId);
        if (!insertAcquiredFile.exec() || insertAcquiredFile.numRowsAffected() != 1)
            return false;
    }

    orv::bind(insertQueuedFile, ":ID", nodeId);
    orv::bind(insertQueuedFile, ":TEMP", QVariant());
    orv::bind(insertQueuedFile, ":DLURL", item.downloadUrl);
    insertQueuedFile.bindValue(":STATUS", item.status);
    insertQueuedFile.bindValue(":PERCENT", item.finished() ? 100 : 0);
    orv::bind(insertQueuedFile, ":TICKET", item.ticket);
    insertQueuedFile.bindValue(":TORN", item.ticketTorn ? 1 : 0);
    if (!insertQueuedFile.exec() || insertQueuedFile.numRowsAffected() != 1)
        return false;

    if (!item.encrypted) {
        if (!hasMedia) {
            orv::bind(insertMediaFile, ":ID", nodeId);
            insertMediaFile.bindValue(":TYPE", kVideoMediaType);
            orv::bind(insertMediaFile, ":SIZE", item.fileSize);
            orv::bind(insertMediaFile, ":TITLE", item.title);
            insertMediaFile.bindValue(":PLAYCOUNT", 0);
            if (!insertMediaFile.exec() || insertMediaFile.numRowsAffected() != 1)
                return false;
        }
        if (item.finished()) {
            if (!hasVideo) {
                orv::bind(insertVideoFile, ":ID", nodeId);
                orv::bind(insertVideoFile, ":DURATION", QVariant());
                if (!insertVideoFile.exec() || insertVideoFile.numRowsAffected() != 1)
                    return false;
            }
            for (int type : PlaylistTypes::kVideoFilePlaylists) {
                if (!getImportPlaylistId(playlistId, type, QString()))
                    return false;
                targets.append(playlistId);
            }
        }
    }

    for (quint64 target : targets) {
        if (!(known ? appendUnlessHeld(target, nodeId) : appendToPlaylist(target, nodeId)))
            return false;
    }
    return true;
}

bool LegacyQueueImporter::hasRow(Statement& lookUp, quint64 nodeId, bool* found) {
    orv::bind(lookUp, ":ID", nodeId);
    if (!lookUp.exec())
        return false;
    *found = lookUp.next();
    lookUp.finish();
    return true;
}

} // namespace VireoStudio
