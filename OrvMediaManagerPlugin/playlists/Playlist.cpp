#include "Playlist.h"

#include "database/LibraryContext.h"
#include "plugin/OperationFrame.h"

#include <QSqlQuery>
#include <QVariantList>

namespace VireoStudio {

namespace {

const int kItemCacheCost = 200;

const char kCountItems[] = "SELECT count(node_id) FROM playlist_item WHERE playlist_id = :ID;";
const char kRecentNodeAt[] =
    "SELECT node_id AS node_id  FROM recent_file ORDER BY last_change DESC LIMIT 1 OFFSET :INDEX";
const char kItemNodeAt[] = "SELECT node_id FROM playlist_item WHERE playlist_id = :ID ORDER BY "
                           "play_order LIMIT 1 OFFSET :INDEX;";
const char kContainsNode[] =
    "SELECT playlist_item_id FROM playlist_item WHERE playlist_id = :PID AND node_id = :NID;";
const char kSelectItemsInOrder[] = "SELECT playlist_item_id, node_id FROM playlist_item WHERE "
                                   "playlist_id = :PID ORDER BY play_order ASC;";
const char kInsertItem[] = "INSERT INTO playlist_item (playlist_id, node_id, play_order) "
                           "VALUES(:PID, :NID, :ORDER);";
const char kRenumberItem[] = "UPDATE playlist_item SET play_order = :ORDER WHERE "
                             "playlist_item_id = :ID";
const char kRecentRowAt[] = "SELECT recent_file_id AS id, node_id AS node_id  FROM recent_file "
                            "ORDER BY last_change DESC LIMIT 1 OFFSET :INDEX";
const char kItemRowAt[] = "SELECT node_id AS id, node_id AS node_id, play_order AS play_order "
                          "FROM playlist_item WHERE playlist_id = :ID ORDER BY play_order LIMIT 1 "
                          "OFFSET :INDEX;";
const char kDeleteRecentRow[] = "DELETE FROM recent_file WHERE recent_file_id = :ID;";
const char kDeleteItemRow[] = "DELETE FROM playlist_item WHERE playlist_id = :PID   AND node_id = "
                              ":ID   AND play_order = :ORDER;";
const char kDeleteNodeItems[] =
    "DELETE FROM playlist_item WHERE playlist_id = :PID AND node_id = :NID;";
const char kDeleteRecentOfNode[] = "DELETE FROM recent_file WHERE node_id = :NID;";
const char kNameTaken[] = "SELECT playlist_id FROM playlist WHERE name = :NAME;";
const char kNameTakenByOther[] =
    "SELECT playlist_id FROM playlist WHERE name = :NAME AND playlist_id != :ID;";
const char kRename[] = "UPDATE playlist SET name = :NAME WHERE playlist_id = :ID;";

} // namespace

Playlist::Playlist(OrvMediaManagerPlugin* owner, const QString& name, quint64 id, int mediaFileType)
    : Playlist(owner, name, mediaFileType) {
    this->id = QVariant(id);
}

Playlist::Playlist(OrvMediaManagerPlugin* owner, const QString& name, int mediaFileType)
    : Row(owner), name(name), playlistType(int(TypeUser)), mediaFileType(mediaFileType),
      sortFlags(kDefaultSortFlags), itemCache(kItemCacheCost) {}

bool Playlist::save() {
    return attached && owner->addPlaylist(this);
}

bool Playlist::remove() {
    return attached && !isNew() && owner->deletePlaylist(getId());
}

quint64 Playlist::getId() const {
    return orv::numberAs<quint64>(id);
}

bool Playlist::isNew() const {
    return orv::isNotSet(id);
}

int Playlist::getPlaylistType() const {
    return playlistType.toInt();
}

int Playlist::getMediaFileType() const {
    return mediaFileType.toInt();
}

bool Playlist::isNotAcquiredOrRecent() const {
    return !isType(TypeAcquired) && !isType(TypeRecent);
}

bool Playlist::isSortable() const {
    return !isType(TypeQueue) && !isType(TypeRecent);
}

qint64 Playlist::getIndex() {
    qint64 index = -1;
    if (!owner->getPlaylistIndex(getPlaylistType(), getName(), &index))
        return -1;
    return index;
}

bool Playlist::isNameNull() const {
    return orv::isNotSet(name);
}

QString Playlist::getName() const {
    return name.toString();
}

MediaManagerInterface::SortFlags Playlist::getSortFlags() const {
    M::SortFlags flags;
    flags.value = sortFlags.toInt();
    return flags;
}

void Playlist::invalidateItems() {
    itemCache.clear();
    itemCount = -1;
}

qint64 Playlist::getItemCount() {
    if (itemCount >= 0)
        return itemCount;
    const OperationFrame frame(*owner);
    if (!frame)
        return 0;
    if (isType(TypeRecent)) {
        quint64 recent = 0;
        return owner->getRecentFileCount(&recent) ? qint64(recent) : 0;
    }
    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(kCountItems)))
        return 0;
    orv::bind(query, QStringLiteral(":ID"), id);
    if (!query.exec())
        return 0;
    if (query.next()) {
        bool ok = false;
        const qint64 counted = query.value(0).toLongLong(&ok);
        if (ok)
            itemCount = counted;
    }
    return itemCount;
}

bool Playlist::nodeIdAt(quint64 position, FileKind kind, quint64* nodeId) {
    if (!orv::fitsOffset(position))
        return false;
    if (itemCache.contains(position)) {
        *nodeId = itemCache.object(position);
        return true;
    }
    QSqlQuery query = owner->context->newQuery();
    const bool recent = isType(TypeRecent) && kind == MediaFileKind;
    if (!query.prepare(QLatin1String(recent ? kRecentNodeAt : kItemNodeAt)))
        return false;
    if (!recent)
        orv::bind(query, QStringLiteral(":ID"), id);
    orv::bind(query, QStringLiteral(":INDEX"), QVariant(position));
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return false;
    *nodeId = orv::toUInt64(query.value(0));
    return true;
}

bool Playlist::getMediaFileAt(quint64 position, M::MediaFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    quint64 nodeId = 0;
    M::MediaFileInterface* file = nullptr;
    if (!nodeIdAt(position, MediaFileKind, &nodeId) || !owner->getMediaFile(nodeId, &file))
        return false;
    itemCache.insert(position, file->getId());
    handOut(file, out);
    return true;
}

bool Playlist::getAcquiredFileAt(quint64 position, M::AcquiredFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    quint64 nodeId = 0;
    M::AcquiredFileInterface* file = nullptr;
    if (!nodeIdAt(position, AcquiredFileKind, &nodeId) || !owner->getAcquiredFile(nodeId, &file))
        return false;
    itemCache.insert(position, file->getId());
    handOut(file, out);
    return true;
}

bool Playlist::getQueuedFileAt(quint64 position, M::QueuedFileInterface** out) {
    M::AcquiredFileInterface* file = nullptr;
    if (!getAcquiredFileAt(position, &file))
        return false;
    return handOutAs(file, out);
}

bool Playlist::getRecentFileAtPosition(quint64 position, M::RecentFileInterface** out) {
    if (!isType(TypeRecent))
        return false;
    return owner->getRecentFileAt(position, out);
}

bool Playlist::findRecentFileInList(const QUrl& url, M::RecentFileInterface** out) {
    if (!isType(TypeRecent))
        return false;
    return owner->findRecentFile(url, out);
}

bool Playlist::containsNode(quint64 nodeId) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    QSqlQuery query = owner->context->newQuery();
    if (!query.prepare(QLatin1String(kContainsNode)))
        return false;
    orv::bind(query, QStringLiteral(":PID"), id);
    orv::bind(query, QStringLiteral(":NID"), QVariant(nodeId));
    return query.exec() && query.next() && !query.value(0).isNull();
}

bool Playlist::insertNodeAt(quint64 position, quint64 nodeId) {
    const OperationFrame frame(*owner);
    if (!frame || isType(TypeRecent))
        return false;
    const bool userPlaylist = isType(TypeUser);
    QSqlQuery select = owner->context->newQuery();
    if (!select.prepare(QLatin1String(kSelectItemsInOrder)))
        return false;
    orv::bind(select, QStringLiteral(":PID"), id);
    if (!select.exec())
        return false;

    QVariantList itemIds;
    QVariantList orders;
    qsizetype found = -1;
    while (select.next()) {
        if (!userPlaylist && orv::toUInt64(select.value(1)) == nodeId)
            found = itemIds.size();
        itemIds.append(select.value(0));
        orders.append(qint64(orders.size()));
    }
    select.finish();
    // A position at or past the end places the node last.
    const qsizetype at = position < quint64(itemIds.size()) ? qsizetype(position) : itemIds.size();

    owner->beginTransaction();
    if (found >= 0) {
        // A system playlist holds a node once: move it in front of the item at the position.
        itemIds.insert(at, itemIds.at(found));
        if (found >= at)
            ++found;
        itemIds.removeAt(found);
    } else {
        QSqlQuery insert = owner->context->newQuery();
        bool inserted = insert.prepare(QLatin1String(kInsertItem));
        if (inserted) {
            orv::bind(insert, QStringLiteral(":PID"), id);
            orv::bind(insert, QStringLiteral(":NID"), QVariant(nodeId));
            insert.bindValue(QStringLiteral(":ORDER"), 0);
            inserted = insert.exec() && insert.numRowsAffected() == 1 &&
                       !orv::isNotSet(insert.lastInsertId());
        }
        if (!inserted) {
            owner->rollbackTransaction();
            return false;
        }
        itemIds.insert(at, insert.lastInsertId());
        orders.append(qint64(orders.size()));
    }

    QSqlQuery renumber = owner->context->newQuery();
    if (!renumber.prepare(QLatin1String(kRenumberItem))) {
        owner->rollbackTransaction();
        return false;
    }
    // Both lists have one element per item: the batch binds them row by row.
    renumber.bindValue(QStringLiteral(":ORDER"), orders);
    renumber.bindValue(QStringLiteral(":ID"), itemIds);
    if (!renumber.execBatch()) {
        owner->rollbackTransaction();
        return false;
    }
    invalidateItems();
    owner->commitTransaction();
    return true;
}

bool Playlist::insertStoredFileAt(quint64 position, M::NodeInterface* file) {
    if (!file || file->isNew() || isType(TypeRecent))
        return false;
    return insertNodeAt(position, file->getId());
}

bool Playlist::insertFileAt(quint64 position, M::NodeInterface* file) {
    if (!file || isType(TypeRecent))
        return false;
    if (file->isNew())
        file->save();
    if (file->isNew())
        return false;
    return insertNodeAt(position, file->getId());
}

bool Playlist::removeAt(quint64 position) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    const bool recent = isType(TypeRecent);
    if (!orv::fitsOffset(position))
        return false;
    QSqlQuery select = owner->context->newQuery();
    if (!select.prepare(QLatin1String(recent ? kRecentRowAt : kItemRowAt)))
        return false;
    if (!recent)
        orv::bind(select, QStringLiteral(":ID"), id);
    orv::bind(select, QStringLiteral(":INDEX"), QVariant(position));
    if (!select.exec() || !select.next())
        return false;
    const QVariant rowId = select.value(QStringLiteral("id"));
    const QVariant nodeId = select.value(QStringLiteral("node_id"));
    const QVariant playOrder = recent ? QVariant() : select.value(QStringLiteral("play_order"));
    select.finish();
    if (!nodeId.isNull())
        owner->invalidatePlaylistsOfNode(orv::toUInt64(nodeId));

    QSqlQuery remove = owner->context->newQuery();
    if (!remove.prepare(QLatin1String(recent ? kDeleteRecentRow : kDeleteItemRow)))
        return false;
    remove.bindValue(QStringLiteral(":ID"), rowId);
    if (!recent) {
        orv::bind(remove, QStringLiteral(":PID"), id);
        remove.bindValue(QStringLiteral(":ORDER"), playOrder);
    }
    if (!remove.exec())
        return false;
    invalidateItems();
    return true;
}

bool Playlist::removeNode(quint64 nodeId) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    owner->invalidatePlaylistsOfNode(nodeId);
    if (isType(TypeQueue))
        return owner->deleteQueuedFile(nodeId);

    const char* statement = nullptr;
    if (isType(TypeUser))
        statement = kDeleteNodeItems;
    else if (isType(TypeRecent))
        statement = kDeleteRecentOfNode;
    else
        return false;
    QSqlQuery remove = owner->context->newQuery();
    if (!remove.prepare(QLatin1String(statement)))
        return false;
    if (!isType(TypeRecent))
        orv::bind(remove, QStringLiteral(":PID"), id);
    orv::bind(remove, QStringLiteral(":NID"), QVariant(nodeId));
    if (!remove.exec())
        return false;
    invalidateItems();
    owner->forgetAcquiredFile(nodeId, true);
    owner->forgetMediaFile(nodeId, true);
    return true;
}

bool Playlist::setName(const QString& newName) {
    const OperationFrame frame(*owner);
    if (!frame || !isType(TypeUser))
        return false;
    if (!orv::isNotSet(name) && name.toString() == newName)
        return true;

    QSqlQuery check = owner->context->newQuery();
    if (!check.prepare(QLatin1String(isNew() ? kNameTaken : kNameTakenByOther)))
        return false;
    check.bindValue(QStringLiteral(":NAME"), newName);
    if (!isNew())
        orv::bind(check, QStringLiteral(":ID"), id);
    if (!check.exec() || check.next())
        return false;
    check.finish();

    if (isNew()) {
        name = newName;
        return true;
    }
    QSqlQuery rename = owner->context->newQuery();
    if (!rename.prepare(QLatin1String(kRename)))
        return false;
    owner->beginTransaction();
    rename.bindValue(QStringLiteral(":NAME"), newName);
    orv::bind(rename, QStringLiteral(":ID"), id);
    if (!rename.exec() || rename.numRowsAffected() != 1) {
        owner->rollbackTransaction();
        return false;
    }
    owner->commitTransaction();
    name = newName;
    return true;
}

} // namespace VireoStudio
