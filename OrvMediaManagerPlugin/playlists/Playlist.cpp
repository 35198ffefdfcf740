#include "Playlist.h"

#include "playlists/PlaylistStatements.h"
#include "playlists/SystemPlaylists.h"
#include "recent/RecentStatements.h"
#include "rows/VideoFileOperations.h"

#include <QVariantList>

namespace VireoStudio {

namespace {

using namespace PlaylistStatements;

const int kItemCacheCost = 200;
// Items read ahead of a host that walks the list by position.
const int kReadAhead = 100;

} // namespace

Playlist::Playlist(RowOwner* owner, const QString& name, quint64 id, int mediaFileType)
    : Playlist(owner, name, mediaFileType) {
    this->id = QVariant(id);
}

Playlist::Playlist(RowOwner* owner, const QString& name, int mediaFileType)
    : Row(owner), name(name), playlistType(int(TypeUser)), mediaFileType(mediaFileType),
      sortFlags(kDefaultSortFlags), itemCache(kItemCacheCost) {}

bool Playlist::save() {
    return attached && library().addPlaylist(this);
}

bool Playlist::remove() {
    return attached && !isNew() && library().deletePlaylist(getId());
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
    if (!library().getPlaylistIndex(getPlaylistType(), getName(), &index))
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
    orderedItems = -1;
    readAheadNodes.clear();
}

qint64 Playlist::getItemCount() {
    const qint64 cached = itemCount;
    if (cached >= 0)
        return cached;
    const OperationFrame frame(*owner);
    if (!frame)
        return 0;
    if (isType(TypeRecent)) {
        quint64 recent = 0;
        return library().getRecentFileCount(&recent) ? qint64(recent) : 0;
    }
    Statement query = owner->context().statement(kCountItems);
    if (!query)
        return 0;
    orv::bind(query, ":PID", id);
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

bool Playlist::nodeIdAt(quint64 position, FileKind kind, quint64* nodeId, ContentStamp* now) {
    if (!orv::fitsOffset(position))
        return false;
    if (itemCache.contains(position)) {
        *nodeId = itemCache.object(position);
        return true;
    }
    if (isType(TypeRecent) && kind == MediaFileKind) {
        Statement query = owner->context().statement(RecentStatements::kNodeAt);
        if (!query)
            return false;
        orv::bind(query, ":INDEX", QVariant(position));
        if (!query.exec() || !query.next() || query.value(0).isNull())
            return false;
        *nodeId = orv::toUInt64(query.value(0));
        return true;
    }
    // Items read ahead answer as long as nothing in the library has changed since.
    const quint64 read = quint64(readAheadNodes.size());
    if (read > 0 && position >= readAheadFrom && position <= readAheadFrom + read) {
        *now = owner->context().contentStamp();
        if (!readAheadStamp.isSet() || *now != readAheadStamp)
            readAheadNodes.clear();
    }
    const bool readBefore = !readAheadNodes.isEmpty() && position >= readAheadFrom &&
                            position - readAheadFrom < quint64(readAheadNodes.size());
    if (!readBefore) {
        if (!readAhead(position, kind) || readAheadNodes.isEmpty())
            return false;
        *now = readAheadStamp; // taken just now, before the read
    }
    *nodeId = readAheadNodes.at(qsizetype(position - readAheadFrom));
    return true;
}

bool Playlist::readAhead(quint64 position, FileKind kind) {
    // Right after the items read last, the read carries on from the last of them; anywhere
    // else it counts its way to the position.
    const bool carryOn =
        !readAheadNodes.isEmpty() && position == readAheadFrom + quint64(readAheadNodes.size());
    Statement query = owner->context().statement(carryOn ? kItemNodesAfter : kItemNodesFrom);
    readAheadNodes.clear();
    if (!query)
        return false;
    orv::bind(query, ":PID", id);
    query.bindValue(":COUNT", kReadAhead);
    if (carryOn) {
        query.bindValue(":ORDER", readAheadLastOrder);
        query.bindValue(":ITEM", readAheadLastItem);
    } else {
        orv::bind(query, ":INDEX", QVariant(position));
    }
    // The stamp is taken before the read: a commit that comes in after it, while or after the
    // items are read, then shows as a changed stamp, and nothing read here is trusted after it.
    const ContentStamp stamp = owner->context().contentStamp();
    if (!query.exec())
        return false;
    readAheadFrom = position;
    // A row without a node ends the items read: its position is asked for on its own.
    while (query.next() && !query.isNull(ItemNode)) {
        readAheadNodes.append(query.unsignedNumber(ItemNode));
        // The order as stored, so that the next read compares it as the ordering did.
        readAheadLastOrder = query.value(ItemOrder);
        readAheadLastItem = qint64(query.unsignedNumber(ItemId)); // the row id: an integer
    }
    query.finish();
    readAheadStamp = stamp;
    // Walking on item by item, the host will ask for each of these files next; one that
    // jumps about reads its files one at a time.
    if (carryOn && kind == MediaFileKind)
        VideoFileOperations::readAhead(*owner, readAheadNodes, stamp);
    return true;
}

bool Playlist::getMediaFileAt(quint64 position, M::MediaFileInterface** out) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    quint64 nodeId = 0;
    M::MediaFileInterface* file = nullptr;
    // The stamp the items were checked by tells the files read ahead whether they still hold:
    // one look at the file per item.
    ContentStamp now;
    if (!nodeIdAt(position, MediaFileKind, &nodeId, &now) ||
        !VideoFileOperations::getMediaFileAsOf(*owner, nodeId, now, &file))
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
    ContentStamp now;
    if (!nodeIdAt(position, AcquiredFileKind, &nodeId, &now) ||
        !library().getAcquiredFile(nodeId, &file))
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
    return library().getRecentFileAt(position, out);
}

bool Playlist::findRecentFileInList(const QUrl& url, M::RecentFileInterface** out) {
    if (!isType(TypeRecent))
        return false;
    return library().findRecentFile(url, out);
}

bool Playlist::containsNode(quint64 nodeId) {
    const OperationFrame frame(*owner);
    if (!frame)
        return false;
    Statement query = owner->context().statement(kItemOfNode);
    if (!query)
        return false;
    orv::bind(query, ":PID", id);
    orv::bind(query, ":NID", QVariant(nodeId));
    return query.exec() && query.next() && !query.value(0).isNull();
}

bool Playlist::insertNodeAt(quint64 position, quint64 nodeId) {
    const OperationFrame frame(*owner);
    if (!frame || isType(TypeRecent))
        return false;
    bool handled = false;
    const bool inserted = insertIntoOrderedList(position, nodeId, &handled);
    return handled ? inserted : insertRenumberingAll(position, nodeId);
}

bool Playlist::insertIntoOrderedList(quint64 position, quint64 nodeId, bool* handled) {
    // The result is the one of renumbering the whole list (0, 1, 2, ... in list order): when
    // the orders are 0 .. n - 1 already, that moves exactly the items between the old and the
    // new place, and those moves are all this writes.
    *handled = false;
    if (orderedItems < 0)
        return false;
    const qint64 items = orderedItems;
    Statement last = owner->context().statement(kLastOrder);
    if (!last)
        return false;
    orv::bind(last, ":PID", id);
    *handled = !last.exec();
    if (*handled || !last.next())
        return false;
    const QVariant lastOrder = last.value(0);
    last.finish();
    // A system playlist holds a node once: where is it now?
    qint64 foundItem = -1;
    qint64 foundOrder = -1;
    if (!isType(TypeUser)) {
        Statement ofNode = owner->context().statement(kItemsOfNode);
        if (!ofNode)
            return false;
        orv::bind(ofNode, ":PID", id);
        orv::bind(ofNode, ":NID", QVariant(nodeId));
        *handled = !ofNode.exec();
        if (*handled)
            return false;
        if (ofNode.next()) {
            foundItem = ofNode.value(0).toLongLong();
            foundOrder = ofNode.value(1).toLongLong();
            if (ofNode.next())
                return false; // held twice: the whole list decides which one moves
        }
    }
    // Known only while nothing has changed since (the statements above have read the file,
    // so a commit by another connection shows in the stamp), and only if the last order
    // agrees.
    const ContentStamp now = owner->context().contentStamp();
    if (!now.isSet() || now != orderedStamp ||
        (items == 0 ? !lastOrder.isNull() : lastOrder != QVariant(qlonglong(items - 1))))
        return false;
    if (foundItem >= 0 && (foundOrder < 0 || foundOrder >= items))
        return false;

    *handled = true;
    // A position at or past the end places the node last.
    const qint64 at = position < quint64(items) ? qint64(position) : items;
    Statement shift = owner->context().statement(kShiftItems);
    Statement write = owner->context().statement(foundItem >= 0 ? kRenumberItem : kInsertItem);
    if (!shift || !write)
        return false;
    library().beginTransaction();
    auto shiftItems = [&](qint64 by, qint64 from, qint64 to) {
        if (from >= to)
            return true;
        shift.bindValue(":BY", by);
        orv::bind(shift, ":PID", id);
        shift.bindValue(":FROM", from);
        shift.bindValue(":TO", to);
        return shift.exec();
    };
    bool written = false;
    if (foundItem >= 0) {
        // The node goes in front of the item at the position; the items in between close up.
        const qint64 target = foundOrder >= at ? at : at - 1;
        written =
            (foundOrder >= at ? shiftItems(1, at, foundOrder)
                              : shiftItems(-1, foundOrder + 1, at)) &&
            (write.bindValue(":ORDER", target), write.bindValue(":ID", foundItem), write.exec());
    } else {
        orv::bind(write, ":PID", id);
        orv::bind(write, ":NID", QVariant(nodeId));
        write.bindValue(":ORDER", at);
        written = shiftItems(1, at, items) && write.exec() && write.numRowsAffected() == 1 &&
                  !orv::isNotSet(write.lastInsertId());
    }
    invalidateItems();
    if (!written || !library().commitTransaction()) {
        library().rollbackTransaction();
        return false;
    }
    orderedItems = foundItem >= 0 ? items : items + 1;
    orderedStamp = owner->context().contentStamp();
    return true;
}

bool Playlist::insertRenumberingAll(quint64 position, quint64 nodeId) {
    const bool userPlaylist = isType(TypeUser);
    Statement select = owner->context().statement(kItemsInOrder);
    if (!select)
        return false;
    orv::bind(select, ":PID", id);
    if (!select.exec())
        return false;

    QVariantList itemIds;
    // The order each item has now: only the items whose order changes are written.
    QVariantList orders;
    qsizetype found = -1;
    while (select.next()) {
        if (!userPlaylist && orv::toUInt64(select.value(InOrderNode)) == nodeId)
            found = itemIds.size();
        itemIds.append(select.value(InOrderId));
        orders.append(select.value(InOrderOrder));
    }
    select.finish();
    // A position at or past the end places the node last.
    const qsizetype at = position < quint64(itemIds.size()) ? qsizetype(position) : itemIds.size();

    library().beginTransaction();
    if (found >= 0) {
        // A system playlist holds a node once: move it in front of the item at the position.
        itemIds.insert(at, itemIds.at(found));
        orders.insert(at, orders.at(found));
        if (found >= at)
            ++found;
        itemIds.removeAt(found);
        orders.removeAt(found);
    } else {
        Statement insert = owner->context().statement(kInsertItem);
        bool inserted = bool(insert);
        if (inserted) {
            orv::bind(insert, ":PID", id);
            orv::bind(insert, ":NID", QVariant(nodeId));
            insert.bindValue(":ORDER", qint64(at)); // its place in the list: nothing to renumber
            inserted = insert.exec() && insert.numRowsAffected() == 1 &&
                       !orv::isNotSet(insert.lastInsertId());
        }
        if (!inserted) {
            library().rollbackTransaction();
            return false;
        }
        itemIds.insert(at, insert.lastInsertId());
        orders.insert(at, QVariant(qlonglong(at)));
    }

    // Every item gets its place in the list as its order; one that has it already is left
    // as it is.
    Statement renumber = owner->context().statement(kRenumberItem);
    bool renumbered = bool(renumber);
    for (qsizetype i = 0; renumbered && i < itemIds.size(); ++i) {
        const QVariant& order = orders.at(i);
        if (order.typeId() == QMetaType::LongLong && order.toLongLong() == i)
            continue;
        renumber.bindValue(":ORDER", qint64(i));
        renumber.bindValue(":ID", itemIds.at(i));
        renumbered = renumber.exec();
    }
    invalidateItems();
    if (!renumbered || !library().commitTransaction()) {
        library().rollbackTransaction();
        return false;
    }
    orderedItems = itemIds.size();
    orderedStamp = owner->context().contentStamp();
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
    LibraryContext& context = owner->context();
    Statement select = context.statement(recent ? RecentStatements::kRowAt : kItemRowAt);
    if (!select)
        return false;
    if (!recent)
        orv::bind(select, ":PID", id);
    orv::bind(select, ":INDEX", QVariant(position));
    if (!select.exec() || !select.next())
        return false;
    const QVariant rowId = select.value("id");
    const QVariant nodeId = select.value("node_id");
    const QVariant playOrder = recent ? QVariant() : select.value("play_order");
    select.finish();
    if (!nodeId.isNull())
        SystemPlaylists::invalidatePlaylistsOfNode(context, orv::toUInt64(nodeId));

    Statement remove = context.statement(recent ? RecentStatements::kDeleteEntry : kDeleteItemRow);
    if (!remove)
        return false;
    remove.bindValue(":ID", rowId);
    if (!recent) {
        orv::bind(remove, ":PID", id);
        remove.bindValue(":ORDER", playOrder);
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
    SystemPlaylists::invalidatePlaylistsOfNode(owner->context(), nodeId);
    if (isType(TypeQueue))
        return library().deleteQueuedFile(nodeId);

    const char* statement = nullptr;
    if (isType(TypeUser))
        statement = kDeleteNodeItems;
    else if (isType(TypeRecent))
        statement = RecentStatements::kDeleteEntryOfNode;
    else
        return false;
    Statement remove = owner->context().statement(statement);
    if (!remove)
        return false;
    if (!isType(TypeRecent))
        orv::bind(remove, ":PID", id);
    orv::bind(remove, ":NID", QVariant(nodeId));
    if (!remove.exec())
        return false;
    invalidateItems();
    owner->context().forgetAcquiredFile(nodeId, true);
    owner->context().forgetMediaFile(nodeId, true);
    return true;
}

bool Playlist::setName(const QString& newName) {
    const OperationFrame frame(*owner);
    if (!frame || !isType(TypeUser))
        return false;
    if (!orv::isNotSet(name) && name.toString() == newName)
        return true;

    LibraryContext& context = owner->context();
    Statement check = context.statement(isNew() ? kIdOfName : kIdOfNameOtherThan);
    if (!check)
        return false;
    check.bindValue(":NAME", newName);
    if (!isNew())
        orv::bind(check, ":ID", id);
    if (!check.exec() || check.next())
        return false;
    check.finish();

    if (isNew()) {
        name = newName;
        return true;
    }
    Statement rename = context.statement(kRename);
    if (!rename)
        return false;
    library().beginTransaction();
    rename.bindValue(":NAME", newName);
    orv::bind(rename, ":ID", id);
    if (!rename.exec() || rename.numRowsAffected() != 1 || !library().commitTransaction()) {
        library().rollbackTransaction();
        return false;
    }
    name = newName;
    return true;
}

} // namespace VireoStudio
