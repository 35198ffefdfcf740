#include "LibraryStartup.h"

#include "LibraryContext.h"
#include "OSUtilities.h"
#include "PubSubHub.h"
#include "migration/LegacyLibraryImporter.h"
#include "migration/LegacyQueueImporter.h"
#include "resources/SchemaResource.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

namespace VireoStudio {

namespace {

const char kLibraryFile[] = "/Media Library";
const char kOldLibraryFile[] = "/Vireo/Vireo Player/Media Library";
const char kLegacyFolder[] = "/Vireo/Vireo Player";
const char kStatementSeparator[] = ";;";
const char kLegacyDatabaseFile[] = "/Database.dat";
const char kLegacyConnectionName[] = "Vireo6DBForMigration";
// The older release's download queue, newest form first.
const char kLegacyQueueFiles[][24] = {"/downloadmanager.xml", "/DownloadQueue.dlq"};

// The schema script keeps temporary storage in memory; the setting belongs to the connection,
// so a library that does not run the script gets it here. Each statement that may have to undo
// itself keeps its own journal there, which on a file costs a write per page it touches.
const char kTempStoreInMemory[] = "PRAGMA temp_store = MEMORY";
const char kSelectVersion[] = "SELECT version FROM schema_data";
const char kInsertVersion[] = "INSERT INTO schema_data (version) VALUES(0)";
const char kUpdateVersion[] = "UPDATE schema_data SET version = :VERSION";
const char kSelectBuiltInPlaylist[] =
    "SELECT playlist_id FROM playlist WHERE playlist_type = :TYPE";
// The tables the schema script creates; a current library that lacks one is damaged.
const char kCountLibraryTables[] =
    "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('schema_data', 'node', "
    "'media_file', 'video_file', 'recent_file', 'recent_file_position', 'acquired_file', "
    "'queued_file', 'playlist', 'playlist_item')";
const int kLibraryTables = 10;
const char kInsertBuiltInPlaylist[] = "INSERT INTO playlist (playlist_type, media_file_type, "
                                      "sort_flags) VALUES (:TYPE, :MEDIA, :SORT)";
// Items by playlist in play order: the next play_order of an append is read from it instead of
// from every item of the playlist, and a move shifts only the items behind its place. Libraries
// of every release get it at their next start.
const char kCreateItemOrderIndex[] =
    "CREATE INDEX IF NOT EXISTS playlist_item_playlist_id_play_order "
    "ON playlist_item (playlist_id, play_order)";

struct BuiltInPlaylist {
    int playlistType;
    int mediaFileType;
    int sortFlags;
};

// Ensured at every start, in this order; the table ends with a type of 0.
const BuiltInPlaylist kBuiltInPlaylists[] = {
    {1, 0, 8}, {2, 1, 8}, {3, 2, 8}, {4, 3, 8}, {16, 0, 8}, {18, 0, 8}, {0, 0, 0},
};

} // namespace

const char LibraryStartup::kImportSkippedMessage[] = "Media.Import.Skipped";

LibraryStartup::LibraryStartup(MediaManagerInterface& library, LibraryContext& context)
    : library(library), context(context) {}

bool LibraryStartup::fail() {
    context.close();
    return false;
}

bool LibraryStartup::open(const QString& requestedPath) {
    if (library.isOpen())
        return true;

    QString path = requestedPath;
    if (path.isEmpty())
        path = OSUtilities::getApplicationDataPath(false) + QLatin1String(kLibraryFile);

    if (!QFile::exists(path)) {
        const QString oldPath =
            OSUtilities::getApplicationDataPath(true) + QLatin1String(kOldLibraryFile);
        if (QFile::exists(oldPath))
            QFile::rename(oldPath, path); // a failed move leaves a new, empty library
    }

    context.database.setDatabaseName(path);
    if (!context.database.open())
        return false;
    // A setting, not content: a library whose file cannot take it fails at its first read.
    context.newQuery().exec(QLatin1String(kTempStoreInMemory));

    bool createSchema = true;
    quint32 version = 0;
    {
        QSqlQuery query = context.newQuery();
        if (query.prepare(QLatin1String(kSelectVersion)) && query.exec() && query.next()) {
            version = query.value(0).toUInt();
            createSchema = false;
        }
    }
    const bool insertVersion = createSchema;
    if (version < kCurrentVersion)
        createSchema = true;
    // The script does not run on a current library, so nothing would put a lost table back:
    // such a library is not opened, and stays as it is.
    else if (!hasEveryTable())
        return fail();

    library.beginTransaction();

    if (createSchema && !runSchemaScript())
        return fail();
    if (!ensureItemOrderIndex())
        return fail();
    if (insertVersion && !insertVersionRow())
        return fail();
    if (!ensureBuiltInPlaylists())
        return fail();

    if (version < kCurrentVersion && !bringUpToDate(version))
        return fail();
    // Until the commit is through nothing of the start-up is in the file.
    if (!library.commitTransaction())
        return fail();
    if (skippedDuplicates > 0)
        PubSubHub::sendMessage(QLatin1String(kImportSkippedMessage),
                               QVariant::fromValue<qint64>(skippedDuplicates));
    return true;
}

bool LibraryStartup::hasEveryTable() {
    QSqlQuery query = context.newQuery();
    return query.exec(QLatin1String(kCountLibraryTables)) && query.next() &&
           query.value(0).toInt() == kLibraryTables;
}

bool LibraryStartup::runSchemaScript() {
    QFile script{QString::fromLatin1(kSchemaResource)};
    if (!script.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromLatin1(script.readAll());
    const QStringList pieces =
        text.split(QLatin1String(kStatementSeparator), Qt::SkipEmptyParts, Qt::CaseSensitive);
    QSqlQuery query = context.newQuery();
    for (const QString& piece : pieces) {
        if (piece.trimmed().isEmpty())
            continue;
        if (!query.prepare(piece) || !query.exec())
            return false;
    }
    return true;
}

bool LibraryStartup::ensureItemOrderIndex() {
    QSqlQuery query = context.newQuery();
    return query.exec(QLatin1String(kCreateItemOrderIndex));
}

bool LibraryStartup::insertVersionRow() {
    QSqlQuery query = context.newQuery();
    return query.prepare(QLatin1String(kInsertVersion)) && query.exec() &&
           query.numRowsAffected() == 1;
}

bool LibraryStartup::ensureBuiltInPlaylists() {
    QSqlQuery select = context.newQuery();
    QSqlQuery insert = context.newQuery();
    if (!select.prepare(QLatin1String(kSelectBuiltInPlaylist)) ||
        !insert.prepare(QLatin1String(kInsertBuiltInPlaylist)))
        return false;
    for (const BuiltInPlaylist* p = kBuiltInPlaylists; p->playlistType != 0; ++p) {
        select.bindValue(QStringLiteral(":TYPE"), p->playlistType);
        const bool exists = select.exec() && select.next() && !select.value(0).isNull();
        select.finish();
        if (exists)
            continue;
        insert.bindValue(QStringLiteral(":TYPE"), p->playlistType);
        insert.bindValue(QStringLiteral(":MEDIA"), p->mediaFileType);
        insert.bindValue(QStringLiteral(":SORT"), p->sortFlags);
        if (!insert.exec() || insert.numRowsAffected() != 1)
            return false;
    }
    return true;
}

bool LibraryStartup::bringUpToDate(quint32 version) {
    const QString playerFolder = OSUtilities::getApplicationDataPath(false);
    const QString legacyFolder =
        OSUtilities::getApplicationDataPath(true) + QLatin1String(kLegacyFolder);
    // Only a library below 1.0 (a new one among them) takes over the older release's library
    // database; the download queue goes into 1.0 libraries as well.
    if (version < kLegacyImportVersion && !importLegacyLibrary(legacyFolder))
        return false;
    if (!importLegacyQueue(playerFolder, legacyFolder))
        return false;

    QSqlQuery query = context.newQuery();
    if (!query.prepare(QLatin1String(kUpdateVersion)))
        return false;
    query.bindValue(QStringLiteral(":VERSION"), kCurrentVersion);
    return query.exec();
}

bool LibraryStartup::importLegacyLibrary(const QString& legacyFolder) {
    const QString path = legacyFolder + QLatin1String(kLegacyDatabaseFile);
    const QString connection = QLatin1String(kLegacyConnectionName);
    bool imported = true;
    if (QFileInfo(path).isFile()) {
        QSqlDatabase legacy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        legacy.setConnectOptions(QLatin1String(LibraryContext::kConnectOptions));
        legacy.setDatabaseName(path);
        // A file that does not open as a database is no library to take over; one that could
        // not be read just now is taken over at the next start.
        if (legacy.open()) {
            LegacyLibraryImporter importer(legacy, context.database);
            imported = importer.importLibrary();
            skippedDuplicates += importer.skippedDuplicates();
        } else
            imported = !LegacyLibraryImporter::failedForNow(legacy.lastError());
        legacy.close();
    }
    // Every handle and query of the connection is gone here, so it can be removed.
    QSqlDatabase::removeDatabase(connection);
    return imported;
}

bool LibraryStartup::importLegacyQueue(const QString& playerFolder, const QString& legacyFolder) {
    // Only the first file found is imported: the newer file name before the older one, and
    // for each name the player's own folder before the older release's.
    for (const char* name : kLegacyQueueFiles) {
        for (const QString& folder : {playerFolder, legacyFolder}) {
            const QString path = folder + QLatin1String(name);
            if (QFileInfo(path).isFile()) {
                LegacyQueueImporter importer(path, context.database);
                const bool imported = importer.importQueue();
                skippedDuplicates += importer.skippedDuplicates();
                return imported;
            }
        }
    }
    return true;
}

} // namespace VireoStudio
