// The recently played list with its resume positions: newest first, capped at the configured
// maximum after every save. Recent files publish no change messages.

#include "recent/RecentFile.h"

#include "database/LibraryContext.h"
#include "playlists/Playlist.h"
#include "plugin/OperationFrame.h"
#include "settings/PluginSettings.h"

#include <QSqlQuery>
#include <QVariantList>

namespace VireoStudio {

namespace {

const char kCountRecent[] = "SELECT count(recent_file_id) FROM recent_file";
const char kLoadEntry[] = "SELECT node_id AS node_id, uri AS uri,       position_msecs AS "
                          "position_msecs, title_id AS title_id,       audio_track_id AS "
                          "audio_track_id, subtitle_track_id AS subtitle_track_id FROM "
                          "recent_file WHERE recent_file_id = :ID;";
const char kLoadPositions[] = "SELECT position_msecs AS position_msecs, title_id AS title_id,    "
                              "   audio_track_id AS audio_track_id, subtitle_track_id AS "
                              "subtitle_track_id FROM recent_file_position WHERE recent_file_id "
                              "= :ID";
const char kIdByUri[] =
    "SELECT recent_file_id AS recent_file_id  FROM recent_file WHERE uri = :URI";
const char kIdAt[] = "SELECT recent_file_id AS recent_file_id  FROM recent_file ORDER BY "
                     "last_change DESC LIMIT 1 OFFSET :INDEX";
const char kNodeById[] = "SELECT node_id AS node_id, uri AS uri FROM node WHERE node_id = :ID;";
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

// Binds the first title position (all NULL when there is none).
void bindFirstPosition(QSqlQuery& query, const RecentFile& file) {
    const TitlePosition first = file.positions.isEmpty() ? TitlePosition() : file.positions.first();
    orv::bind(query, QStringLiteral(":TITLE"), first.titleId);
    orv::bind(query, QStringLiteral(":AUDIO"), first.audioTrackId);
    orv::bind(query, QStringLiteral(":SUB"), first.subtitleTrackId);
    orv::bind(query, QStringLiteral(":POS"), first.positionMsecs);
}

TitlePosition positionOf(const QSqlQuery& query) {
    TitlePosition position;
    position.titleId = query.value(QStringLiteral("title_id"));
    position.audioTrackId = query.value(QStringLiteral("audio_track_id"));
    position.subtitleTrackId = query.value(QStringLiteral("subtitle_track_id"));
    position.positionMsecs = query.value(QStringLiteral("position_msecs"));
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
bool selectId(LibraryContext& context, const char* statement, const QString& placeholder,
              const QVariant& value, quint64* id) {
    QSqlQuery query = context.newQuery();
    if (!query.prepare(QLatin1String(statement)))
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
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kCountRecent)) || !query.exec() || !query.next())
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
    QSqlQuery entry = context->newQuery();
    QSqlQuery positions = context->newQuery();
    if (!entry.prepare(QLatin1String(kLoadEntry)) ||
        !positions.prepare(QLatin1String(kLoadPositions)))
        return false;
    orv::bind(entry, QStringLiteral(":ID"), QVariant(id));
    if (!entry.exec() || !entry.next())
        return false;
    auto* file = new RecentFile(this, QUrl());
    file->uri = entry.value(QStringLiteral("uri"));
    if (!entry.value(QStringLiteral("node_id")).isNull())
        file->nodeId = QVariant(orv::toUInt64(entry.value(QStringLiteral("node_id"))));
    file->id = QVariant(id);
    if (!entry.value(QStringLiteral("title_id")).isNull() &&
        !entry.value(QStringLiteral("position_msecs")).isNull())
        file->positions.append(positionOf(entry));
    entry.finish();
    orv::bind(positions, QStringLiteral(":ID"), QVariant(id));
    if (positions.exec()) {
        while (positions.next())
            file->positions.append(positionOf(positions));
    }
    copyOut(static_cast<RecentFileInterface*>(file), out);
    LibraryContext::registerRow<RecentFileInterface>(context->liveRecentFiles,
                                                     context->recentFileCache, id, file);
    return true;
}

bool OrvMediaManagerPlugin::findRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || url.isEmpty() ||
        !selectId(*context, kIdByUri, QStringLiteral(":URI"), QVariant(url), &id))
        return false;
    return getRecentFile(id, out);
}

bool OrvMediaManagerPlugin::getRecentFileAt(quint64 index, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    quint64 id = 0;
    if (!frame || !orv::fitsOffset(index) ||
        !selectId(*context, kIdAt, QStringLiteral(":INDEX"), QVariant(index), &id))
        return false;
    return getRecentFile(id, out);
}

bool OrvMediaManagerPlugin::newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame)
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kNodeById)))
        return false;
    orv::bind(query, QStringLiteral(":ID"), QVariant(nodeId));
    if (!query.exec() || !query.next())
        return false;
    auto* file =
        new RecentFile(this, orv::toUInt64(query.value(QStringLiteral("node_id"))), QUrl());
    file->uri = query.value(QStringLiteral("uri"));
    handOutNew(static_cast<RecentFileInterface*>(file), out);
    return true;
}

bool OrvMediaManagerPlugin::newRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    if (!frame || url.isEmpty())
        return false;
    const QString text = orv::urlText(url);
    QSqlQuery existing = context->newQuery();
    if (!existing.prepare(QLatin1String(kEntryOfUri)))
        return false;
    existing.bindValue(QStringLiteral(":URI"), text);
    if (existing.exec() && existing.next())
        return false; // the URI has an entry already
    existing.finish();
    QSqlQuery node = context->newQuery();
    if (!node.prepare(QLatin1String(kNodeOfUri)))
        return false;
    node.bindValue(QStringLiteral(":URI"), text);
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
    QSqlQuery deletePositions = context->newQuery();
    QSqlQuery insertPositions = context->newQuery();
    if (!deletePositions.prepare(QLatin1String(kDeletePositions)) ||
        !insertPositions.prepare(QLatin1String(kInsertPosition)))
        return false;
    const bool isNew = file->isNew();
    QSqlQuery entry = context->newQuery();
    if (!entry.prepare(QLatin1String(isNew ? kInsertEntry : kSaveEntry)))
        return false;
    bindFirstPosition(entry, *file);
    if (isNew) {
        orv::bind(entry, QStringLiteral(":URI"), file->uri);
        orv::bind(entry, QStringLiteral(":NID"), file->nodeId);
    } else {
        orv::bind(entry, QStringLiteral(":ID"), file->id);
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
    orv::bind(deletePositions, QStringLiteral(":ID"), file->id);
    // Should it fail, the old rows would stay beside the new ones (and a failed statement may
    // have ended the transaction already): the save fails instead.
    if (!deletePositions.exec())
        return fail();

    if (file->positions.size() > 1) {
        QVariantList ids, titles, audios, subtitles, msecs;
        for (qsizetype i = 1; i < file->positions.size(); ++i) {
            const TitlePosition& position = file->positions.at(i);
            ids << orv::bindable(file->id);
            titles << orv::bindable(position.titleId);
            audios << orv::bindable(position.audioTrackId);
            subtitles << orv::bindable(position.subtitleTrackId);
            msecs << orv::bindable(position.positionMsecs);
        }
        // Five lists of one length: one row per further position.
        insertPositions.bindValue(QStringLiteral(":ID"), ids);
        insertPositions.bindValue(QStringLiteral(":TITLE"), titles);
        insertPositions.bindValue(QStringLiteral(":AUDIO"), audios);
        insertPositions.bindValue(QStringLiteral(":SUB"), subtitles);
        insertPositions.bindValue(QStringLiteral(":POS"), msecs);
        if (!insertPositions.execBatch())
            return fail();
    }
    // In a transaction of its own the trim belongs to the save, so that the list is never left
    // longer than its maximum. Inside the host's transaction a failed trim is let go: failing
    // the save would roll back the host's work as well.
    if (!trimRecentFiles() && ownTransaction)
        return fail();
    if (!commitTransaction())
        return fail();
    if (isNew)
        invalidateRecentList(*context);
    LibraryContext::registerRow<RecentFileInterface>(context->liveRecentFiles,
                                                     context->recentFileCache, file->getId(), file);
    return true;
}

bool OrvMediaManagerPlugin::updateRecentFile(RecentFileInterface* recent) {
    const OperationFrame frame(*this);
    auto* file = dynamic_cast<RecentFile*>(recent);
    if (!frame || !file || file->isUriNull() || file->isNew())
        return false;
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kUpdateEntry)))
        return false;
    bindFirstPosition(query, *file);
    orv::bind(query, QStringLiteral(":ID"), file->id);
    orv::bind(query, QStringLiteral(":NID"), file->nodeId);
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
    QSqlQuery query = context->newQuery();
    if (!query.prepare(QLatin1String(kDeleteEntry)))
        return false;
    beginTransaction();
    orv::bind(query, QStringLiteral(":ID"), QVariant(id));
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
    QSqlQuery count = context->newQuery();
    if (!count.prepare(QLatin1String(kCountRecent)) || !count.exec() || !count.next())
        return false;
    bool ok = false;
    const quint64 entries = orv::toUInt64(count.value(0), &ok);
    if (!ok)
        return false;
    count.finish();
    if (entries <= maximum)
        return true;
    invalidateRecentList(*context);
    QSqlQuery trim = context->newQuery();
    if (!trim.prepare(QLatin1String(kTrim)))
        return false;
    trim.bindValue(QStringLiteral(":MAX"), qint64(quint32(maximum - 1)));
    return trim.exec();
}

} // namespace VireoStudio
