#pragma once

// What every orvmedia command shares: the plugin session, opened on first use, and the way
// results and failures are printed.

#include "PluginSession.h"

#include <QString>
#include <QStringList>

#include <memory>

class Cli {
public:
    // The media-library interface of a loaded plugin, or null after printing why not.
    VireoStudio::MediaManagerInterface* library();
    // The same, and the library open; null after printing why not.
    VireoStudio::MediaManagerInterface* openLibrary();
    // The library file the plugin opens (the default place below the data folder).
    static QString libraryPath();

    // Prints one line to stdout.
    static void print(const QString& line);
    // Prints "orvmedia: message" to stderr and returns the failure exit code 1.
    static int fail(const QString& message);

private:
    std::unique_ptr<PluginSession> session;
};

// One command: its name, a one-line summary for "orvmedia --help", and what runs it with the
// words after its name (the command reads them, --help included).
struct Command {
    const char* name;
    const char* summary;
    int (*run)(Cli& cli, const QStringList& args);
};

// Every command, in the order "orvmedia --help" lists them; the list ends with a null name.
const Command* commands();

int runInfo(Cli& cli, const QStringList& args);
int runPlaylists(Cli& cli, const QStringList& args);
int runPlaylist(Cli& cli, const QStringList& args);
int runAdd(Cli& cli, const QStringList& args);
int runShow(Cli& cli, const QStringList& args);
int runRm(Cli& cli, const QStringList& args);
int runRescan(Cli& cli, const QStringList& args);
int runThumbnails(Cli& cli, const QStringList& args);
int runLs(Cli& cli, const QStringList& args);
int runPlayed(Cli& cli, const QStringList& args);
int runRecent(Cli& cli, const QStringList& args);
int runDemo(Cli& cli, const QStringList& args);
int runSettings(Cli& cli, const QStringList& args);
int runAcquire(Cli& cli, const QStringList& args);
int runQueue(Cli& cli, const QStringList& args);
int runResetDownloads(Cli& cli, const QStringList& args);
int runCheck(Cli& cli, const QStringList& args);
int runRepair(Cli& cli, const QStringList& args);
int runBackup(Cli& cli, const QStringList& args);
int runRestore(Cli& cli, const QStringList& args);
