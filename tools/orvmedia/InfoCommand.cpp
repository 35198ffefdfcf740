// orvmedia info: the library file, whether the plugin has it open, and its schema version.

#include "Cli.h"
#include "LibraryInspector.h"

int runInfo(Cli& cli, const QStringList& args) {
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("info takes no arguments (see orvmedia info --help)"));
    VireoStudio::MediaManagerInterface* library = cli.library();
    if (!library)
        return 1;
    const QString path = Cli::libraryPath();
    if (!library->isOpen())
        return Cli::fail(QStringLiteral("cannot open the library at %1").arg(path));

    Cli::print(QStringLiteral("library: %1").arg(path));
    Cli::print(QStringLiteral("open: yes"));
    const LibraryInspector inspector(path);
    Cli::print(QStringLiteral("schema version: %1").arg(inspector.schemaVersion()));
    Cli::print(QStringLiteral("playlists: %1").arg(inspector.count(QStringLiteral("playlist"))));
    Cli::print(QStringLiteral("files: %1").arg(inspector.count(QStringLiteral("media_file"))));
    return 0;
}
