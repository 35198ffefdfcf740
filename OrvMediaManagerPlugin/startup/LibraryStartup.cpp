#include "startup/LibraryStartup.h"

#include "OSUtilities.h"
#include "PubSubHub.h"
#include "migration/LegacyLibraryImporter.h"
#include "migration/LegacyQueueImporter.h"
#include "playlists/PlaylistStatements.h"
#include "playlists/PlaylistTypes.h"
#include "resources/SchemaResource.h"
#include "rows/LibraryContext.h"

#include <QFile>
#include <QFileInfo>

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
// The tables the schema script creates; a current library that lacks one is damaged.
const char kCountLibraryTables[] =
    "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('schema_data', 'node', "
    "'media_file', 'video_file', 'recent_file', 'recent_file_position', 'acquired_file', "
    "'queued_file', 'playlist', 'playlist_item')";
const int kLibraryTables = 10;
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

// Ensured at every start, in this order.
const BuiltInPlaylist kBuiltInPlaylists[] = {
    {PlaylistTypes::kAllFiles, 0, PlaylistTypes::kBuiltInSortFlags},
    {PlaylistTypes::kVideos, 1, PlaylistTypes::kBuiltInSortFlags},
    {PlaylistTypes::kMediaType2, 2, PlaylistTypes::kBuiltInSortFlags},
    {PlaylistTypes::kMediaType3, 3, PlaylistTypes::kBuiltInSortFlags},
    {PlaylistTypes::kQueue, 0, PlaylistTypes::kBuiltInSortFlags},
    {PlaylistTypes::kAcquired, 0, PlaylistTypes::kBuiltInSortFlags},
};

} // namespace

const char LibraryStartup::kImportSkippedMessage[] = "Media.Import.Skipped";

LibraryStartup::LibraryStartup(MediaManagerInterface& library, LibraryContext& context)
    : library(library), context(context), database(context.database()) {}

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

    if (!database.open(path))
        return false;
    // A setting, not content: a library whose file cannot take it fails at its first read.
    database.execute(QLatin1String(kTempStoreInMemory));

    bool createSchema = true;
    quint32 version = 0;
    {
        Statement query = database.statement(kSelectVersion);
        if (query && query.exec() && query.next()) {
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
    Statement query = database.statement(kCountLibraryTables);
    return query && query.exec() && query.next() && query.value(0).toInt() == kLibraryTables;
}

bool LibraryStartup::runSchemaScript() {
    QFile script{QString::fromLatin1(kSchemaResource)};
    if (!script.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromLatin1(script.readAll());
    const QStringList pieces =
        text.split(QLatin1String(kStatementSeparator), Qt::SkipEmptyParts, Qt::CaseSensitive);
    for (const QString& piece : pieces) {
        if (piece.trimmed().isEmpty())
            continue;
        if (!database.execute(piece))
            return false;
    }
    return true;
}

bool LibraryStartup::ensureItemOrderIndex() {
    return database.execute(QLatin1String(kCreateItemOrderIndex));
}

bool LibraryStartup::insertVersionRow() {
    Statement query = database.statement(kInsertVersion);
    return query && query.exec() && query.numRowsAffected() == 1;
}

bool LibraryStartup::ensureBuiltInPlaylists() {
    Statement select = database.statement(PlaylistStatements::kPlaylistOfType);
    Statement insert = database.statement(PlaylistStatements::kInsertPlaylist);
    if (!select || !insert)
        return false;
    for (const BuiltInPlaylist& builtIn : kBuiltInPlaylists) {
        select.bindValue(":TYPE", builtIn.playlistType);
        const bool exists = select.exec() && select.next() && !select.value(0).isNull();
        select.finish();
        if (exists)
            continue;
        insert.bindValue(":TYPE", builtIn.playlistType);
        insert.bindValue(":MEDIA", builtIn.mediaFileType);
        insert.bindValue(":SORT", builtIn.sortFlags);
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

    Statement query = database.statement(kUpdateVersion);
    if (!query)
        return false;
    query.bindValue(":VERSION", kCurrentVersion);
    return query.exec();
}

bool LibraryStartup::importLegacyLibrary(const QString& legacyFolder) {
    const QString path = legacyFolder + QLatin1String(kLegacyDatabaseFile);
    if (!QFileInfo(path).isFile())
        return true;
    LibraryDatabase legacy(kLegacyConnectionName);
    // A file that does not open as a database is no library to take over; one that could not
    // be read just now is taken over at the next start.
    if (!legacy.open(path))
        return !LegacyLibraryImporter::failedForNow(legacy.openError());
    LegacyLibraryImporter importer(legacy, database);
    const bool imported = importer.importLibrary();
    skippedDuplicates += importer.skippedDuplicates();
    return imported;
}

bool LibraryStartup::importLegacyQueue(const QString& playerFolder, const QString& legacyFolder) {
    // Only the first file found is imported: the newer file name before the older one, and
    // for each name the player's own folder before the older release's.
    for (const char* name : kLegacyQueueFiles) {
        for (const QString& folder : {playerFolder, legacyFolder}) {
            const QString path = folder + QLatin1String(name);
            if (QFileInfo(path).isFile()) {
                LegacyQueueImporter importer(path, database);
                const bool imported = importer.importQueue();
                skippedDuplicates += importer.skippedDuplicates();
                return imported;
            }
        }
    }
    return true;
}

} // namespace VireoStudio
