// orvmedia info: the library file, whether the plugin has it open, its schema version, and what
// this start-up imported from an older release.

#include "Cli.h"
#include "CommandLine.h"
#include "LibraryReader.h"
#include "OSUtilities.h"
#include "PubSubHub.h"

#include <QFile>

namespace {

// Where an older release kept its library file, below the base data folder; the plugin moves
// it into place when the library file itself is missing.
const char kOldLibraryFile[] = "/Vireo/Vireo Player/Media Library";
const qint64 kCurrentVersion = 0x10100;
// What the plugin publishes after a start-up whose imports skipped entries of an older
// release's data that named a file (or download) met before: their number.
const char kImportSkipped[] = "Media.Import.Skipped";

// The marks of the file the plugin is about to open, taken before it opens it: the library
// file, else an older release's file that will be moved into place. Reading never creates it.
LibraryReader::Marks marksBeforeStart(const QString& path) {
    QString existing = path;
    if (!QFile::exists(existing))
        existing =
            VireoStudio::OSUtilities::getApplicationDataPath(true) + QLatin1String(kOldLibraryFile);
    if (!QFile::exists(existing))
        return LibraryReader::Marks();
    return LibraryReader(existing).marks();
}

} // namespace

int runInfo(Cli& cli, const QStringList& args) {
    CommandLine line("orvmedia info",
                     "Opens the library (creating it when missing) and prints its file, whether "
                     "it is\nopen and its schema version. Exits 1 when the library cannot be "
                     "opened.");
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("info takes no arguments (see orvmedia info --help)"));
    const QString path = Cli::libraryPath();
    const LibraryReader::Marks before = marksBeforeStart(path);
    qint64 skipped = 0;
    const int subscription =
        VireoStudio::PubSubHub::subscribe([&skipped](const QString& name, const QVariant& payload) {
            if (name == QLatin1String(kImportSkipped))
                skipped = payload.toLongLong();
        });
    VireoStudio::MediaManagerInterface* library = cli.library();
    VireoStudio::PubSubHub::unsubscribe(subscription);
    if (!library)
        return 1;
    if (!library->isOpen())
        return Cli::fail(QStringLiteral("cannot open the library at %1").arg(path));

    Cli::print(QStringLiteral("library: %1").arg(path));
    Cli::print(QStringLiteral("open: yes"));
    const LibraryReader reader(path);
    const qint64 version = reader.schemaVersion();
    Cli::print(QStringLiteral("schema version: %1").arg(version));
    Cli::print(QStringLiteral("playlists: %1").arg(reader.count(QStringLiteral("playlist"))));
    Cli::print(QStringLiteral("files: %1").arg(reader.count(QStringLiteral("media_file"))));

    // A start-up that brought the library up to the current version is the one that imports
    // an older release's library and download queue.
    if (before.version < kCurrentVersion && version == kCurrentVersion) {
        const LibraryReader::Imported imported = reader.importedSince(before);
        if (imported.any() || skipped > 0)
            Cli::print(QStringLiteral("imported from an older release: %1 files, %2 playlists, "
                                      "%3 playlist items, %4 downloads, %5 duplicates skipped")
                           .arg(imported.files)
                           .arg(imported.playlists)
                           .arg(imported.playlistItems)
                           .arg(imported.downloads)
                           .arg(skipped));
    }
    return 0;
}
