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
        {"settings", "read and write the player's settings of the media library",
         "orvmedia settings get PATH NAME\n"
         "orvmedia settings set PATH NAME VALUE --type dword|qword|string|binary [--machine]\n"
         "orvmedia settings ls [PATH]\n"
         "  Works on the settings node of the media library (\"Settings\" and the component\n"
         "  id below SOFTWARE\\Vireo); PATH names a group below it, such as Playback, with\n"
         "  \"/\" between levels (empty: the node itself). get prints a value; a per-user value\n"
         "  overrides a machine-wide one. ls lists the sub-groups (with a trailing \"/\") and\n"
         "  the values with their types. Integers print as signed numbers, as the player\n"
         "  reads them; VALUE may be decimal or 0x-hex, binary VALUE hex bytes (01,ab,ff).\n"
         "  set writes the per-user file, or with --machine the machine-wide file:\n"
         "    per-user      $XDG_CONFIG_HOME/Vireo/registry.reg (~/.config/...)\n"
         "    machine-wide  first folder of $XDG_CONFIG_DIRS (/etc/xdg), then\n"
         "                  /Vireo/registry.reg\n"
         "  The files are registry exports (\"Windows Registry Editor Version 5.00\") and\n"
         "  may be edited by hand; a file that cannot be parsed is ignored when reading,\n"
         "  with a warning, and never overwritten. Example: orvmedia settings set Playback\n"
         "  RecentFileMaximum 50 --type dword",
         runSettings},
        {nullptr, nullptr, nullptr, nullptr},
    };
    return table;
}
