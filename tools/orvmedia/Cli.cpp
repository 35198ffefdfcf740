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
        {"demo", "fills the library with a small sample and shows it",
         "orvmedia demo\n"
         "  Adds a dozen video files, two user playlists, a few plays with resume\n"
         "  positions, an acquired file and two downloads (one finished, one interrupted),\n"
         "  then prints info, ls, playlists, recent and queue. Running it again adds\n"
         "  nothing that is there already.",
         runDemo},
        {"add", "adds a video file to the library",
         "orvmedia add URL [--title T] [--size BYTES] [--duration D]\n"
         "  Stores a new video file and prints its id. A local path is taken as a file:// URL.\n"
         "  A URL that is a video file of the library already is refused.",
         runAdd},
        {"show", "every field of one video file",
         "orvmedia show URL|ID\n"
         "  Prints every field of the video file with that URL (or path) or node id.",
         runShow},
        {"rm", "deletes a video file from the library",
         "orvmedia rm URL|ID\n"
         "  Deletes the video file with that URL (or path) or node id.",
         runRm},
        {"ls", "the video files in play order",
         "orvmedia ls [--json]\n"
         "  The video files (the built-in playlist of type 2) in play order: id, size,\n"
         "  duration, play count, title and URL. --json prints a JSON array instead.",
         runLs},
        {"played", "records a play with its resume positions",
         "orvmedia played URL [--pos MS] [--title N --audio A --sub S --pos MS]...\n"
         "  Records a play as the player does: the recent entry of the URL (made when\n"
         "  missing) gets the given title positions, in order; each --title starts one, and a\n"
         "  --pos before any --title belongs to title 0. When the URL is a video file of the\n"
         "  library its play count goes up by one and its last-played time is set.",
         runPlayed},
        {"recent", "the recently played list, newest first",
         "orvmedia recent [--json]\n"
         "  The recent list, newest first, with every title position. --json prints a JSON\n"
         "  array instead.",
         runRecent},
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
         "orvmedia playlist add NAME URL|ID [--at POS]\n"
         "                                    puts a video file at POS (default: last)\n"
         "orvmedia playlist remove NAME POS   removes the item at POS (from 0)\n"
         "orvmedia playlist sort NAME uri|name|created|size|title|duration [--desc]\n"
         "orvmedia playlist sort NAME --manual\n"
         "                                    reorders the items, or keeps them as they are\n"
         "orvmedia playlist find NAME PATTERN the items whose URL matches a GLOB pattern\n"
         "  Names are unique without regard to letter case; built-in playlists can be shown\n"
         "  but not renamed or removed.",
         runPlaylist},
        {"acquire", "records content acquired from a provider",
         "orvmedia acquire URL --title T --content-id N [--provider P]\n"
         "  Stores URL as acquired content with the provider's content id (a whole number\n"
         "  above 0) and prints its id. A video file of the library keeps its entry and\n"
         "  becomes acquired as well. A URL that is acquired already is refused.",
         runAcquire},
        {"queue", "the download queue: list, add, change or remove downloads",
         "orvmedia queue [--json]     the queue in order: id, status, percent, title,\n"
         "                            download URL and temporary file URL\n"
         "orvmedia queue add URL --title T --download-url U [--content-id N] [--provider P]\n"
         "                            a new download (status 1, 0 %); prints its id\n"
         "orvmedia queue set ID [--status S] [--percent P] [--temp URL]\n"
         "                            changes a download; --temp \"\" clears the temporary file\n"
         "orvmedia queue rm ID        removes a download: its entry goes, unless it is a video\n"
         "                            file of the library too, which then stays\n"
         "  URL, U and the --temp URL may be local paths. The status is the player's own\n"
         "  number: 1 new or waiting, 6 stalled, 4 finished.",
         runQueue},
        {"reset-downloads", "puts unfinished downloads back to the start",
         "orvmedia reset-downloads\n"
         "  As the player does at start: every download left unfinished (status 1 below\n"
         "  100 %, or status 6) goes back to status 1 at 0 % without a temporary file, and\n"
         "  the partial-download files beside its temporary file (.ddat, .dinfo, .dmsk) are\n"
         "  deleted. Exits 1, and leaves the library closed, when the queue cannot be read.",
         runResetDownloads},
        {"settings", "read and write the player's settings of the media library",
         "orvmedia settings get PATH NAME\n"
         "orvmedia settings set PATH NAME VALUE --type dword|qword|string|binary [--machine]\n"
         "orvmedia settings ls [PATH]\n"
         "  Works on the settings node of the media library (\"Settings\" and the component\n"
         "  id below SOFTWARE\\Vireo); PATH names a group below it, such as Playback, with\n"
         "  \"/\" between levels (empty: the node itself); NAME @ is the group's default value.\n"
         "  get prints a value; a per-user value\n"
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
