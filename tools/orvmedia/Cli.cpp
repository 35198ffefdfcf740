#include "Cli.h"

#include "OSUtilities.h"

#include <cstdio>

namespace {
const char kLibraryFile[] = "/Media Library";
} // namespace

VireoStudio::MediaManagerInterface* Cli::library() {
    if (session)
        return session->library();
    session = std::make_unique<PluginSession>();
    QString error;
    if (!session->load(QString(), &error)) {
        fail(error);
        return nullptr;
    }
    return session->library();
}

VireoStudio::MediaManagerInterface* Cli::openLibrary() {
    VireoStudio::MediaManagerInterface* loaded = library();
    if (loaded && !loaded->isOpen()) {
        fail(QStringLiteral("cannot open the library at %1").arg(libraryPath()));
        return nullptr;
    }
    return loaded;
}

QString Cli::libraryPath() {
    return VireoStudio::OSUtilities::getApplicationDataPath(false) + QLatin1String(kLibraryFile);
}

void Cli::print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

int Cli::fail(const QString& message) {
    std::fprintf(stderr, "orvmedia: %s\n", message.toUtf8().constData());
    return 1;
}

bool wantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

const Command* commands() {
    static const Command table[] = {
        {"info", "the library file, whether it is open, its schema version",
         "orvmedia info\n"
         "  Opens the library (creating it when missing) and prints its file, whether it is\n"
         "  open and its schema version. Exits 1 when the library cannot be opened.",
         runInfo},
        {"playlists", "the playlists: id, type, items, sort flags, name",
         "orvmedia playlists [--json]\n"
         "  Lists the built-in playlists, then the user playlists in name order: id, type,\n"
         "  item count, sort flags and name. --json prints a JSON array instead.",
         runPlaylists},
        {"playlist", "make, rename, remove or show one playlist",
         "orvmedia playlist new NAME          a new, empty user playlist; prints its id\n"
         "orvmedia playlist rename NAME NEW   renames a user playlist\n"
         "orvmedia playlist rm NAME|ID        removes a user playlist\n"
         "orvmedia playlist show NAME|ID      the playlist's items in play order\n"
         "  Names are unique without regard to letter case; built-in playlists can be shown\n"
         "  but not renamed or removed.",
         runPlaylist},
        {nullptr, nullptr, nullptr, nullptr},
    };
    return table;
}
