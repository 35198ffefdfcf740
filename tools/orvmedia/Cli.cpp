#include "Cli.h"

#include <cstdio>

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
    return PluginSession::libraryFile();
}

void Cli::print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}

int Cli::fail(const QString& message) {
    std::fprintf(stderr, "orvmedia: %s\n", message.toUtf8().constData());
    return 1;
}

const Command* commands() {
    static const Command table[] = {
        {"info", "the library file, whether it is open, its schema version", runInfo},
        {"demo", "fills the library with a small sample and shows it", runDemo},
        {"add", "adds video files and folders (or URLs) to the library", runAdd},
        {"rescan", "checks the library's local files again: changed, gone", runRescan},
        {"thumbnails", "makes the missing thumbnails of the library's files", runThumbnails},
        {"show", "every field of one video file", runShow},
        {"rm", "deletes a video file from the library", runRm},
        {"ls", "the video files in play order", runLs},
        {"played", "records a play with its resume positions", runPlayed},
        {"recent", "the recently played list, newest first", runRecent},
        {"playlists", "the playlists: id, type, items, sort flags, name", runPlaylists},
        {"playlist", "make, rename, remove or show one playlist", runPlaylist},
        {"acquire", "records content acquired from a provider", runAcquire},
        {"queue", "the download queue: list, add, change or remove downloads", runQueue},
        {"reset-downloads", "puts unfinished downloads back to the start", runResetDownloads},
        {"settings", "read and write the player's settings of the media library", runSettings},
        {"check", "whether the library file is sound, and what is wrong when not", runCheck},
        {"repair", "a working library from a damaged one, keeping the damaged file", runRepair},
        {"backup", "a consistent copy of the library, also while the player writes", runBackup},
        {"restore", "puts a backup in the library's place, keeping the library there", runRestore},
        {nullptr, nullptr, nullptr},
    };
    return table;
}
