// The recently played list with its resume positions: newest first, capped at the configured
// maximum after every save. Recent files publish no change messages.

#include "recent/RecentFile.h"

#include "database/LibraryContext.h"
#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"
#include "settings/PluginSettings.h"

namespace VireoStudio {

namespace {

const char kCountRecent[] = "SELECT count(recent_file_id) FROM recent_file";
const char kLoadEntry[] = "SELECT node_id AS node_id, uri AS uri,       position_msecs AS "
                          "position_msecs, title_id AS title_id,       audio_track_id AS "
                          "audio_track_id, subtitle_track_id AS subtitle_track_id FROM "
                          "recent_file WHERE recent_file_id = :ID;";
enum EntryColumn { EntryNode, EntryUri, EntryPosition };
const char kLoadPositions[] = "SELECT position_msecs AS position_msecs, title_id AS title_id,    "
                              "   audio_track_id AS audio_track_id, subtitle_track_id AS "
                              "subtitle_track_id FROM recent_file_position WHERE recent_file_id "
                              "= :ID";
const char kIdByUri[] =
    "SELECT recent_file_id AS recent_file_id  FROM recent_file WHERE uri = :URI";
const char kIdAt[] = "SELECT recent_file_id AS recent_file_id  FROM recent_file ORDER BY "
                     "last_change DESC LIMIT 1 OFFSET :INDEX";
const char kNodeById[] = "SELECT node_id AS node_id, uri AS uri FROM node WHERE node_id = :ID;";
enum NodeColumn { NodeId, NodeUri };
const char kEntryOfUri[] =
    "SELECT recent_file_id AS recent_file_id FROM recent_file WHERE uri = :URI;";
const char kNodeOfUri[] = "SELECT node_id AS node_id FROM node WHERE uri = :URI;";
const char kDeletePositions[] = "DELETE FROM recent_file_position WHERE recent_file_id = :ID";
const char kInsertPosition[] =
    "INSERT INTO recent_file_position    (recent_file_id, title_id, audio_track_id, "
    "subtitle_track_id, position_msecs)    VALUES(:ID, :TITLE, :AUDIO, :SUB, :POS)";
const char kInsertEntry[] = "INSERT INTO recent_file    (uri, node_id, title_id, audio_track_id, "
                            "subtitle_track_id, position_msecs)    VALUES(:URI, :NID, :TITLE, "
                            ":AUDIO, :SUB, :POS)";
const char kSaveEntry[] = "UPDATE recent_file\tSET title_id = :TITLE, position_msecs = :POS,\t\t"
                          "audio_track_id = :AUDIO, subtitle_track_id = :SUB\tWHERE "
                          "recent_file_id = :ID";
const char kUpdateEntry[] = "UPDATE recent_file\tSET title_id = :TITLE, position_msecs = :POS, "
                            "node_id = :NID,\t\taudio_track_id = :AUDIO, subtitle_track_id = "
                            ":SUB\tWHERE recent_file_id = :ID";
const char kDeleteEntry[] = "DELETE FROM recent_file WHERE recent_file_id = :ID;";
const char kTrim[] = "DELETE FROM recent_file WHERE last_change < (SELECT last_change FROM "
                     "recent_file                       ORDER BY last_change DESC LIMIT 1 OFFSET "
                     ":MAX)";

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

} // namespace

namespace {

// The in-memory playlist of recent files, when it is live, reads the list again.
void invalidateRecentList(LibraryContext& context) {
    const auto live = context.livePlaylists.constFind(Playlist::kRecentListId);
    if (live == context.livePlaylists.constEnd())
        return;
    if (auto* playlist = dynamic_cast<Playlist*>(live.value().get()))
        playlist->invalidateItems();
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

bool OrvMediaManagerPlugin::getRecentFileCount(quint64* count) {
    const OperationFrame frame(*this);
    if (!frame || !count)
        return false;
    Statement query = context->statement(kCountRecent);
    if (!query || !query.exec() || !query.next())
        return false;
    bool ok = false;
    *count = orv::toUInt64(query.value(0), &ok);
    return ok;
}

bool OrvMediaManagerPlugin::getRecentFile(quint64 id, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    if (LibraryContext::handOutLive(context->liveRecentFiles, id, out))
        return true;
    Statement entry = context->statement(kLoadEntry);
    Statement positions = context->statement(kLoadPositions);
    if (!entry || !positions)
        return false;
    orv::bind(entry, ":ID", QVariant(id));
    if (!entry.exec() || !entry.next())
        return false;
    auto* file = new RecentFile(this, QUrl());
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
    copyOut(static_cast<RecentFileInterface*>(file), out);
    LibraryContext::registerRow<RecentFileInterface>(context->liveRecentFiles,
                                                     context->recentFileCache, id, file);
    return true;
}

bool OrvMediaManagerPlugin::findRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || url.isEmpty() || !selectId(*context, kIdByUri, ":URI", QVariant(url), &id))
        return false;
    return getRecentFile(id, out);
}

bool OrvMediaManagerPlugin::getRecentFileAt(quint64 index, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || !orv::fitsOffset(index) ||
        !selectId(*context, kIdAt, ":INDEX", QVariant(index), &id))
        return false;
    return getRecentFile(id, out);
}

bool OrvMediaManagerPlugin::newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    Statement query = context->statement(kNodeById);
    if (!query)
        return false;
    orv::bind(query, ":ID", QVariant(nodeId));
    if (!query.exec() || !query.next())
        return false;
    auto* file = new RecentFile(this, orv::toUInt64(query.value(NodeId)), QUrl());
    file->uri = query.value(NodeUri);
    handOutNew(static_cast<RecentFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::newRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame || url.isEmpty())
        return false;
    const QString text = orv::urlText(url);
    Statement existing = context->statement(kEntryOfUri);
    if (!existing)
        return false;
    existing.bindValue(":URI", text);
    if (existing.exec() && existing.next())
        return false; // the URI has an entry already
    existing.finish();
    Statement node = context->statement(kNodeOfUri);
    if (!node)
        return false;
    node.bindValue(":URI", text);
    auto* file = new RecentFile(this, url);
    if (node.exec() && node.next() && !node.value(0).isNull())
        file->nodeId = QVariant(orv::toUInt64(node.value(0)));
    handOutNew(static_cast<RecentFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::saveRecentFile(RecentFileInterface* recent) {
    const OperationFrame frame(*this);
    auto* file = dynamic_cast<RecentFile*>(recent);
    if (!frame || !file || file->isUriNull())
        return false;
    Statement deletePositions = context->statement(kDeletePositions);
    Statement insertPositions = context->statement(kInsertPosition);
    if (!deletePositions || !insertPositions)
        return false;
    const bool isNew = file->isNew();
    Statement entry = context->statement(isNew ? kInsertEntry : kSaveEntry);
    if (!entry)
        return false;
    bindFirstPosition(entry, *file);
    if (isNew) {
        orv::bind(entry, ":URI", file->uri);
        orv::bind(entry, ":NID", file->nodeId);
    } else {
        orv::bind(entry, ":ID", file->id);
    }

    const bool ownTransaction = context->transactionDepth == 0;
    beginTransaction();
    // A new entry that fails goes back to having no id: the rollback removed its row.
    auto fail = [&]() {
        rollbackTransaction();
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
    if (!ownTransaction && !trimRecentFiles() && !context->databaseInTransaction())
        return fail();
    if (!commitTransaction())
        return fail();
    if (ownTransaction)
        trimRecentFiles();
    if (isNew)
        invalidateRecentList(*context);
    LibraryContext::registerRow<RecentFileInterface>(context->liveRecentFiles,
                                                     context->recentFileCache, file->getId(), file);
    if (isNew)
        context->noteStoredRow(LibraryContext::RowKind::RecentFile, file->getId(), true);
    return true;
}

bool OrvMediaManagerPlugin::updateRecentFile(RecentFileInterface* recent) {
    const OperationFrame frame(*this);
    auto* file = dynamic_cast<RecentFile*>(recent);
    if (!frame || !file || file->isUriNull() || file->isNew())
        return false;
    Statement query = context->statement(kUpdateEntry);
    if (!query)
        return false;
    bindFirstPosition(query, *file);
    orv::bind(query, ":ID", file->id);
    orv::bind(query, ":NID", file->nodeId);
    beginTransaction();
    if (!query.exec() || !commitTransaction()) {
        rollbackTransaction();
        return false;
    }
    return true;
}

bool OrvMediaManagerPlugin::deleteRecentFile(quint64 id) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    invalidateRecentList(*context);
    Statement query = context->statement(kDeleteEntry);
    if (!query)
        return false;
    beginTransaction();
    orv::bind(query, ":ID", QVariant(id));
    if (!query.exec() || !commitTransaction()) {
        rollbackTransaction();
        return false;
    }
    forgetRecentFile(id);
    return true;
}

bool OrvMediaManagerPlugin::trimRecentFiles() {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    const quint32 maximum =
        quint32(readIntSetting(kPlaybackGroup, kRecentFileMaximumKey, kRecentFileMaximumDefault));
    // No transaction is begun here, so a failure rolls nothing back: called inside the
    // host's own transaction, a rollback would throw away the host's work too.
    Statement count = context->statement(kCountRecent);
    if (!count || !count.exec() || !count.next())
        return false;
    bool ok = false;
    const quint64 entries = orv::toUInt64(count.value(0), &ok);
    if (!ok)
        return false;
    count.finish();
    if (entries <= maximum)
        return true;
    invalidateRecentList(*context);
    Statement trim = context->statement(kTrim);
    if (!trim)
        return false;
    trim.bindValue(":MAX", qint64(quint32(maximum - 1)));
    return trim.exec();
}

} // namespace VireoStudio
