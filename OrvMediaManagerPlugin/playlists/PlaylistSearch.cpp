// Sorting a playlist by a column of its media, finding its items by URL, and the sums of its
// items. Sorting is stored: it rewrites the items' play order and the playlist's sort flags.

#include "playlists/Playlist.h"

#include "database/LibraryContext.h"
#include "plugin/OperationFrame.h"

#include <QSqlQuery>
#include <QVariantList>

namespace VireoStudio {

namespace {

const char kStoreSortFlags[] = "UPDATE playlist SET sort_flags = :FLAGS WHERE playlist_id = :ID;";
// The one statement built at run time: this text, a column of kSortColumns, a direction.
const char kSortedItems[] =
    "SELECT playlist_item_id FROM playlist_item, node, media_file, video_file WHERE playlist_id "
    "= :PID   AND playlist_item.node_id = node.node_id   AND playlist_item.node_id = "
    "media_file.node_id   AND playlist_item.node_id = video_file.node_id ORDER BY ";
const char kRenumberItem[] =
    "UPDATE playlist_item SET play_order = :ORDER WHERE playlist_item_id = :ID";
const char kRecentNodeByUri[] = "SELECT node_id AS node_id  FROM recent_file WHERE uri = :URI";
const char kItemNodeByUri[] = "SELECT node.node_id FROM playlist_item, node WHERE uri = :URI AND "
                              "playlist_item.playlist_id = :PID AND playlist_item.node_id = "
                              "node.node_id;";
const char kRecentNodesMatching[] =
    "SELECT node_id AS node_id  FROM recent_file WHERE uri GLOB :URI";
const char kItemNodesMatching[] = "SELECT node.node_id FROM playlist_item, node WHERE uri GLOB "
                                  ":URI AND playlist_item.playlist_id = :PID AND "
                                  "playlist_item.node_id = node.node_id;";
const char kQueuedByDownloadUrl[] =
    "SELECT playlist_item.node_id FROM playlist_item, queued_file WHERE playlist_id = :ID   AND "
    "playlist_item.node_id = queued_file.node_id   AND queued_file.download_url LIKE :URL LIMIT "
    "1;";
const char kTotalSize[] = "SELECT sum(size) FROM media_file, playlist_item WHERE playlist_id = "
                          ":PID AND playlist_item.node_id = media_file.node_id;";
const char kTotalDuration[] = "SELECT sum(duration) FROM video_file, playlist_item WHERE "
                              "playlist_id = :PID AND playlist_item.node_id = video_file.node_id;";

// Sort keys (the flags with the direction bits clear) and the column each orders by.
struct SortColumn {
    int key;
    const char* column;
};
const SortColumn kSortColumns[] = {
    {4, "uri"}, {8, "name"}, {12, "create_date"}, {16, "size"}, {20, "title"}, {24, "duration"},
};
const int kDirectionMask = 3;

const char* sortColumn(int key) {
    for (const SortColumn& entry : kSortColumns) {
        if (entry.key == key)
            return entry.column;
    }
    return nullptr;
}

} // namespace

bool Playlist::sort(int flags) {
    const OperationFrame frame(*owner);
    if (!frame || !isSortable())
        return false;
    const int direction = flags & kDirectionMask;
    const int key = flags & ~kDirectionMask;
    if (direction == kDirectionMask ||
        (direction != M::SORT_MANUAL && key == 0)) // refused before anything is written
        return false;

    QSqlQuery store = owner->context->newQuery();
    if (!store.prepare(QLatin1String(kStoreSortFlags)))
        return false;
    owner->beginTransaction();
    store.bindValue(QStringLiteral(":FLAGS"), flags);
    orv::bind(store, QStringLiteral(":ID"), id);
    if (!store.exec() || store.numRowsAffected() != 1) {
        owner->rollbackTransaction();
        return false;
    }
    if (direction == M::SORT_MANUAL) {
        if (!owner->commitTransaction()) {
            owner->rollbackTransaction();
            return false;
        }
        sortFlags = flags;
        return true;
    }
    const char* column = sortColumn(key);
    if (!column) {
        owner->rollbackTransaction();
        return false;
    }
    const QString statement = QLatin1String(kSortedItems) + QLatin1String(column) +
                              QLatin1String(direction == M::SORT_ASCENDING ? " ASC" : " DESC") +
                              QLatin1Char(';');
    QSqlQuery sorted = owner->context->newQuery();
    if (!sorted.prepare(statement)) {
        owner->rollbackTransaction();
        return false;
    }
    orv::bind(sorted, QStringLiteral(":PID"), id);
    if (!sorted.exec()) {
        owner->rollbackTransaction();
        return false;
    }
    QVariantList itemIds;
    QVariantList orders;
    while (sorted.next()) {
        itemIds.append(sorted.value(0));
        orders.append(qint64(orders.size()));
    }
    sorted.finish();

    QSqlQuery renumber = owner->context->newQuery();
    bool renumbered = renumber.prepare(QLatin1String(kRenumberItem));
    if (renumbered && !itemIds.isEmpty()) {
        // Both lists have one element per sorted item: the batch binds them row by row.
        renumber.bindValue(QStringLiteral(":ORDER"), orders);
        renumber.bindValue(QStringLiteral(":ID"), itemIds);
        renumbered = renumber.execBatch();
    }
    invalidateItems();
    if (!renumbered || !owner->commitTransaction()) {
        owner->rollbackTransaction();
        return false;
    }
    sortFlags = flags;
    return true;
}

bool Playlist::findMediaFileInList(const QUrl& url, M::MediaFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    const bool recent = isType(TypeRecent);
    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(recent ? kRecentNodeByUri : kItemNodeByUri)))
        return false;
    query.bindValue(QStringLiteral(":URI"), orv::urlText(url));
    if (!recent)
        orv::bind(query, QStringLiteral(":PID"), id);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    return owner->getMediaFile(nodeId, out);
}

bool Playlist::findAcquiredFileInList(const QUrl& url, M::AcquiredFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(kItemNodeByUri)))
        return false;
    query.bindValue(QStringLiteral(":URI"), orv::urlText(url));
    orv::bind(query, QStringLiteral(":PID"), id);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    return owner->getAcquiredFile(nodeId, out);
}

bool Playlist::findQueuedFile(const QUrl& url, M::QueuedFileInterface** out) {
    M::AcquiredFileInterface* file = nullptr;
    if (!findAcquiredFileInList(url, &file))
        return false;
    return handOutAs(file, out);
}

bool Playlist::findMediaFilesMatching(const QUrl& pattern, M::MediaFileList& files) {
    files.clear();
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    const bool recent = isType(TypeRecent);
    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(recent ? kRecentNodesMatching : kItemNodesMatching)))
        return false;
    // The pattern's text goes in unchanged: its *, ? and [...] act as GLOB wildcards.
    query.bindValue(QStringLiteral(":URI"), orv::urlText(pattern));
    if (!recent)
        orv::bind(query, QStringLiteral(":PID"), id);
    if (!query.exec())
        return false;
    QList<quint64> nodeIds;
    while (query.next() && !query.value(0).isNull())
        nodeIds.append(orv::toUInt64(query.value(0)));
    query.finish();
    for (quint64 nodeId : nodeIds) {
        M::MediaFileInterface* file = nullptr;
        if (!owner->getMediaFile(nodeId, &file)) {
            files.clear();
            break;
        }
        files.append(vtl::RefCountedPtr_STLSafe<M::MediaFileInterface>(file));
        file->release();
    }
    return true;
}

bool Playlist::findQueuedFileByDownloadUrl(const QUrl& url, M::QueuedFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    // One "%" right behind "scheme://" of a web URL also matches a download URL that carries
    // more there (a user part, another host label).
    const int kWildcardAt = 7;
    QString pattern = orv::urlText(url);
    if (pattern.size() < kWildcardAt)
        pattern = pattern.leftJustified(kWildcardAt, QLatin1Char(' '));
    pattern.insert(kWildcardAt, QLatin1Char('%'));

    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(kQueuedByDownloadUrl)))
        return false;
    orv::bind(query, QStringLiteral(":ID"), id);
    query.bindValue(QStringLiteral(":URL"), pattern);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    M::AcquiredFileInterface* file = nullptr;
    if (!owner->getAcquiredFile(nodeId, &file))
        return false;
    return handOutAs(file, out);
}

namespace {

qint64 sumOf(OrvMediaManagerPlugin& owner, const char* statement, const QVariant& playlistId) {
    QSqlQuery query = owner.context->newQuery();
    if (!query.prepare(QLatin1String(statement)))
        return 0;
    orv::bind(query, QStringLiteral(":PID"), playlistId);
    if (!query.exec() || !query.next())
        return 0;
    return query.value(0).toLongLong(); // an empty playlist sums to NULL: 0
}

} // namespace

qint64 Playlist::getTotalSize() {
    const OperationFrame frame(*owner);
    if (!frame || isType(TypeRecent))
        return 0;
    return sumOf(*owner, kTotalSize, id);
}

qint64 Playlist::getTotalDuration() {
    const OperationFrame frame(*owner);
    if (!frame || isType(TypeRecent))
        return 0;
    return sumOf(*owner, kTotalDuration, id);
}

} // namespace VireoStudio
