// Sorting a playlist by a column of its media, finding its items by URL, and the sums of its
// items. Sorting is stored: it rewrites the items' play order and the playlist's sort flags.

#include "playlists/Playlist.h"

#include "playlists/PlaylistStatements.h"
#include "recent/RecentStatements.h"

#include <QVariantList>

namespace VireoStudio {

namespace {

using namespace PlaylistStatements;

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

    LibraryContext& context = owner->context();
    MediaManagerInterface& library = this->library();
    Statement store = context.statement(kStoreSortFlags);
    if (!store)
        return false;
    library.beginTransaction();
    store.bindValue(":FLAGS", flags);
    orv::bind(store, ":ID", id);
    if (!store.exec() || store.numRowsAffected() != 1) {
        library.rollbackTransaction();
        return false;
    }
    if (direction == M::SORT_MANUAL) {
        if (!library.commitTransaction()) {
            library.rollbackTransaction();
            return false;
        }
        sortFlags = flags;
        return true;
    }
    const char* column = sortColumn(key);
    if (!column) {
        library.rollbackTransaction();
        return false;
    }
    const QString statement = QLatin1String(kSortedItems) + QLatin1String(column) +
                              QLatin1String(direction == M::SORT_ASCENDING ? " ASC" : " DESC");
    Statement sorted = context.statement(statement);
    if (!sorted) {
        library.rollbackTransaction();
        return false;
    }
    orv::bind(sorted, ":PID", id);
    if (!sorted.exec()) {
        library.rollbackTransaction();
        return false;
    }
    QVariantList itemIds;
    while (sorted.next())
        itemIds.append(sorted.value(0));
    sorted.finish();

    // Each item gets its place in the sorted list as its order; the first failing row fails
    // the sort.
    Statement renumber = context.statement(kRenumberItem);
    bool renumbered = bool(renumber);
    for (qsizetype i = 0; renumbered && i < itemIds.size(); ++i) {
        renumber.bindValue(":ORDER", qint64(i));
        renumber.bindValue(":ID", itemIds.at(i));
        renumbered = renumber.exec();
    }
    invalidateItems();
    if (!renumbered || !library.commitTransaction()) {
        library.rollbackTransaction();
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
    Statement query =
        owner->context().statement(recent ? RecentStatements::kNodeOfUri : kItemNodeByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(url));
    if (!recent)
        orv::bind(query, ":PID", id);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    return library().getMediaFile(nodeId, out);
}

bool Playlist::findAcquiredFileInList(const QUrl& url, M::AcquiredFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    Statement query = owner->context().statement(kItemNodeByUri);
    if (!query)
        return false;
    query.bindValue(":URI", orv::urlText(url));
    orv::bind(query, ":PID", id);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    return library().getAcquiredFile(nodeId, out);
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
    Statement query =
        owner->context().statement(recent ? RecentStatements::kNodesMatching : kItemNodesMatching);
    if (!query)
        return false;
    // The pattern's text goes in unchanged: its *, ? and [...] act as GLOB wildcards.
    query.bindValue(":URI", orv::urlText(pattern));
    if (!recent)
        orv::bind(query, ":PID", id);
    if (!query.exec())
        return false;
    QList<quint64> nodeIds;
    while (query.next() && !query.value(0).isNull())
        nodeIds.append(orv::toUInt64(query.value(0)));
    query.finish();
    for (quint64 nodeId : nodeIds) {
        M::MediaFileInterface* file = nullptr;
        if (!library().getMediaFile(nodeId, &file)) {
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

    Statement query = owner->context().statement(kQueuedByDownloadUrl);
    if (!query)
        return false;
    orv::bind(query, ":PID", id);
    query.bindValue(":URL", pattern);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    const quint64 nodeId = orv::toUInt64(query.value(0));
    query.finish();
    M::AcquiredFileInterface* file = nullptr;
    if (!library().getAcquiredFile(nodeId, &file))
        return false;
    return handOutAs(file, out);
}

namespace {

qint64 sumOf(RowOwner& owner, const char* statement, const QVariant& playlistId) {
    Statement query = owner.context().statement(statement);
    if (!query)
        return 0;
    orv::bind(query, ":PID", playlistId);
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
