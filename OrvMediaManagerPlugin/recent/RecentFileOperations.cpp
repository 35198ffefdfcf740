#include "recent/RecentFileOperations.h"

#include "playlists/Playlist.h"
#include "playlists/SystemPlaylists.h"
#include "recent/RecentFile.h"
#include "recent/RecentStatements.h"
#include "rows/NodeStatements.h"
#include "settings/PluginSettings.h"

namespace VireoStudio {

namespace {

using namespace RecentStatements;
typedef MediaManagerInterface::TitlePosition TitlePosition;

// Binds a title position (all NULL for an empty one).
void bindPosition(Statement& query, const TitlePosition& position) {
    orv::bind(query, ":TITLE", position.titleId);
    orv::bind(query, ":AUDIO", position.audioTrackId);
    orv::bind(query, ":SUB", position.subtitleTrackId);
    orv::bind(query, ":POS", position.positionMsecs);
}

void bindFirstPosition(Statement& query, const RecentFile& file) {
    bindPosition(query, file.positions.isEmpty() ? TitlePosition() : file.positions.first());
}

// A title position from the current row, whose columns from first on are position_msecs,
// title_id, audio_track_id and subtitle_track_id, as both selections of positions give them.
TitlePosition positionOf(const Statement& query, int first) {
    TitlePosition position;
    position.titleId = query.value(first + 1);
    position.audioTrackId = query.value(first + 2);
    position.subtitleTrackId = query.value(first + 3);
    position.positionMsecs = query.value(first);
    return position;
}

// The in-memory playlist of recent files, when it is live, reads the list again.
void invalidateRecentList(LibraryContext& context) {
    SystemPlaylists::invalidatePlaylist(context, Playlist::kRecentListId);
}

// The recent-file id that a one-column selection on a bound value yields.
bool selectId(LibraryContext& context, const char* statement, const char* placeholder,
              const QVariant& value, quint64* id) {
    Statement query = context.statement(statement);
    if (!query)
        return false;
    orv::bind(query, placeholder, value);
    if (!query.exec() || !query.next())
        return false;
    *id = orv::toUInt64(query.value(0));
    return true;
}

} // namespace

bool RecentFileOperations::getRecentFileCount(RowOwner& owner, quint64* count) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    if (!frame || !count)
        return false;
    Statement query = context.statement(kCount);
    if (!query || !query.exec() || !query.next())
        return false;
    bool ok = false;
    *count = orv::toUInt64(query.value(0), &ok);
    return ok;
}

bool RecentFileOperations::getRecentFile(RowOwner& owner, quint64 id,
                                         M::RecentFileInterface** out) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    if (!frame)
        return false;
    if (context.handOutRecentFile(id, out))
        return true;
    Statement entry = context.statement(kLoadEntry);
    Statement positions = context.statement(kLoadPositions);
    if (!entry || !positions)
        return false;
    orv::bind(entry, ":ID", QVariant(id));
    if (!entry.exec() || !entry.next())
        return false;
    auto* file = new RecentFile(&owner, QUrl());
    file->uri = entry.value(EntryUri);
    if (!entry.value(EntryNode).isNull())
        file->nodeId = QVariant(orv::toUInt64(entry.value(EntryNode)));
    file->id = QVariant(id);
    const TitlePosition first = positionOf(entry, EntryPosition);
    if (!first.titleId.isNull() && !first.positionMsecs.isNull())
        file->positions.append(first);
    entry.finish();
    orv::bind(positions, ":ID", QVariant(id));
    if (positions.exec()) {
        while (positions.next())
            file->positions.append(positionOf(positions, 0));
    }
    copyOut(static_cast<M::RecentFileInterface*>(file), out);
    context.registerRecentFile(id, file);
    return true;
}

bool RecentFileOperations::findRecentFile(RowOwner& owner, const QUrl& url,
                                          M::RecentFileInterface** out) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    quint64 id = 0;
    if (!frame || url.isEmpty() || !selectId(context, kIdOfUri, ":URI", QVariant(url), &id))
        return false;
    return getRecentFile(owner, id, out);
}

bool RecentFileOperations::getRecentFileAt(RowOwner& owner, quint64 index,
                                           M::RecentFileInterface** out) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    quint64 id = 0;
    if (!frame || !orv::fitsOffset(index) ||
        !selectId(context, kIdAt, ":INDEX", QVariant(index), &id))
        return false;
    return getRecentFile(owner, id, out);
}

bool RecentFileOperations::newRecentFileForNode(RowOwner& owner, quint64 nodeId,
                                                M::RecentFileInterface** out) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    if (!frame)
        return false;
    Statement query = context.statement(NodeStatements::kNodeById);
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(nodeId));
    if (!query.exec() || !query.next())
        return false;
    auto* file = new RecentFile(&owner, orv::toUInt64(query.value(0)), QUrl());
    file->uri = query.value(1);
    handOutNew(static_cast<M::RecentFileInterface*>(file), out);
    return true;
}

bool RecentFileOperations::newRecentFile(RowOwner& owner, const QUrl& url,
                                         M::RecentFileInterface** out) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    if (!frame || url.isEmpty())
        return false;
    const QString text = orv::urlText(url);
    Statement existing = context.statement(kIdOfUri);
    if (!existing)
        return false;
    existing.bindValue(":URI", text);
    if (existing.exec() && existing.next())
        return false; // the URI has an entry already
    existing.finish();
    Statement node = context.statement(NodeStatements::kNodeIdByUri);
    if (!node)
        return false;
    node.bindValue(":URI", text);
    auto* file = new RecentFile(&owner, url);
    if (node.exec() && node.next() && !node.value(0).isNull())
        file->nodeId = QVariant(orv::toUInt64(node.value(0)));
    handOutNew(static_cast<M::RecentFileInterface*>(file), out);
    return true;
}

bool RecentFileOperations::saveRecentFile(RowOwner& owner, M::RecentFileInterface* recent) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    auto* file = dynamic_cast<RecentFile*>(recent);
    if (!frame || !file || file->isUriNull())
        return false;
    Statement deletePositions = context.statement(kDeletePositions);
    Statement insertPositions = context.statement(kInsertPosition);
    if (!deletePositions || !insertPositions)
        return false;
    const bool isNew = file->isNew();
    Statement entry = context.statement(isNew ? kInsertEntry : kSaveEntry);
    if (!entry)
        return false;
    bindFirstPosition(entry, *file);
    if (isNew) {
        orv::bind(entry, ":URI", file->uri);
        orv::bind(entry, ":NID", file->nodeId);
    } else {
        orv::bind(entry, ":ID", file->id);
    }

    const bool ownTransaction = !context.database().inTransaction();
    library.beginTransaction();
    // A new entry that fails goes back to having no id: the rollback removed its row.
    auto fail = [&]() {
        library.rollbackTransaction();
        if (isNew)
            file->id = QVariant();
        return false;
    };
    if (!entry.exec())
        return fail();
    if (isNew)
        file->id = QVariant(orv::toUInt64(entry.lastInsertId()));
    orv::bind(deletePositions, ":ID", file->id);
    // Should it fail, the old rows would stay beside the new ones (and a failed statement may
    // have ended the transaction already): the save fails instead.
    if (!deletePositions.exec())
        return fail();

    // One row per further position; the first failing row fails the save.
    for (qsizetype i = 1; i < file->positions.size(); ++i) {
        orv::bind(insertPositions, ":ID", file->id);
        bindPosition(insertPositions, file->positions.at(i));
        if (!insertPositions.exec())
            return fail();
    }
    // The entry is what the user just played: a trim that fails never costs it. In a
    // transaction of its own the entry is committed first and the list trimmed after, so a
    // failed trim leaves the list one entry long until the next save trims it. Inside the
    // host's transaction the trim runs before the host's commit and its failure is let go as
    // well, unless it took the whole transaction with it.
    if (!ownTransaction && !trimRecentFiles(owner) && !context.database().databaseInTransaction())
        return fail();
    if (!library.commitTransaction())
        return fail();
    if (ownTransaction)
        trimRecentFiles(owner);
    if (isNew)
        invalidateRecentList(context);
    context.registerRecentFile(file->getId(), file);
    if (isNew)
        context.noteStoredRow(LibraryContext::RowKind::RecentFile, file->getId(), true);
    return true;
}

bool RecentFileOperations::updateRecentFile(RowOwner& owner, M::RecentFileInterface* recent) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    auto* file = dynamic_cast<RecentFile*>(recent);
    if (!frame || !file || file->isUriNull() || file->isNew())
        return false;
    Statement query = context.statement(kUpdateEntry);
    if (!query)
        return false;
    bindFirstPosition(query, *file);
    orv::bind(query, ":ID", file->id);
    orv::bind(query, ":NID", file->nodeId);
    library.beginTransaction();
    if (!query.exec() || !library.commitTransaction()) {
        library.rollbackTransaction();
        return false;
    }
    return true;
}

bool RecentFileOperations::deleteRecentFile(RowOwner& owner, quint64 id) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    MediaManagerInterface& library = owner.library();
    if (!frame)
        return false;
    invalidateRecentList(context);
    Statement query = context.statement(kDeleteEntry);
    if (!query)
        return false;
    library.beginTransaction();
    orv::bind(query, ":ID", QVariant(id));
    if (!query.exec() || !library.commitTransaction()) {
        library.rollbackTransaction();
        return false;
    }
    context.forgetRecentFile(id);
    return true;
}

bool RecentFileOperations::trimRecentFiles(RowOwner& owner) {
    const OperationFrame frame(owner);
    LibraryContext& context = owner.context();
    if (!frame)
        return false;
    const quint32 maximum =
        quint32(readIntSetting(kPlaybackGroup, kRecentFileMaximumKey, kRecentFileMaximumDefault));
    // No transaction is begun here, so a failure rolls nothing back: called inside the
    // host's own transaction, a rollback would throw away the host's work too.
    Statement count = context.statement(kCount);
    if (!count || !count.exec() || !count.next())
        return false;
    bool ok = false;
    const quint64 entries = orv::toUInt64(count.value(0), &ok);
    if (!ok)
        return false;
    count.finish();
    if (entries <= maximum)
        return true;
    invalidateRecentList(context);
    Statement trim = context.statement(kTrim);
    if (!trim)
        return false;
    trim.bindValue(":MAX", qint64(quint32(maximum - 1)));
    return trim.exec();
}

} // namespace VireoStudio
