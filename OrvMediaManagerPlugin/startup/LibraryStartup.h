#pragma once

// Opening the library: choosing the file (moving an older release's file into place), running
// the schema script when the stored version asks for it, making sure the built-in playlists
// exist, importing an older release's library and download queue into a new or 1.0 library,
// and stamping the current version, all in one transaction.

#include "MediaManagerInterface.h"

#include <QString>

namespace VireoStudio {

class LibraryContext;
class LibraryDatabase;

class LibraryStartup {
public:
    // Schema version of a library this plugin creates or brings up to date (1.1).
    static const quint32 kCurrentVersion = 0x10100;
    // Libraries below this version (1.0) get the older release's library imported.
    static const quint32 kLegacyImportVersion = 0x10000;

    LibraryStartup(MediaManagerInterface& library, LibraryContext& context);

    // Opens the library at path, or at the player's default place when path is empty.
    // Any failure after the file was opened closes the connection, which discards the work.
    // A start-up whose imports skipped duplicates publishes their number on the host's hub
    // once it is committed (kImportSkippedMessage).
    bool open(const QString& path);

    static const char kImportSkippedMessage[];

private:
    bool fail();
    bool hasEveryTable();
    bool runSchemaScript();
    bool ensureItemOrderIndex();
    bool insertVersionRow();
    bool ensureBuiltInPlaylists();
    bool bringUpToDate(quint32 version);
    bool importLegacyLibrary(const QString& legacyFolder);
    bool importLegacyQueue(const QString& playerFolder, const QString& legacyFolder);

    MediaManagerInterface& library;
    LibraryContext& context;
    LibraryDatabase& database;
    // Entries of the older release's data that the imports skipped as duplicates.
    qint64 skippedDuplicates = 0;
};

} // namespace VireoStudio
