// orvmedia check, repair, backup and restore: the library file's health and its copies. The work
// is the maintenance library's; these read the arguments and print its reports.

#include "Cli.h"
#include "CommandLine.h"
#include "LibraryBackup.h"
#include "LibraryCheck.h"
#include "LibraryRepair.h"
#include "PluginSession.h"
#include "settings/PluginSettings.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using namespace LibraryMaintenance;

// The recent list's maximum as the plugin reads it from the player's settings.
int recentMaximum() {
    const int maximum =
        VireoStudio::readIntSetting(VireoStudio::kPlaybackGroup, VireoStudio::kRecentFileMaximumKey,
                                    VireoStudio::kRecentFileMaximumDefault);
    VireoStudio::releaseSettings();
    return maximum;
}

QString plural(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

void printProblems(const Problems& problems) {
    for (const Problem& problem : problems)
        Cli::print(QStringLiteral("  ") + problem.text);
}

QString outcomeLine(const TableOutcome& outcome) {
    if (!outcome.readable)
        return QStringLiteral("%1: nothing could be read").arg(outcome.table);
    QString line = QStringLiteral("%1: %2 recovered").arg(outcome.table).arg(outcome.recovered);
    if (outcome.rebuilt > 0)
        line += QStringLiteral(" (%1 of them rebuilt from indexes or related rows)")
                    .arg(outcome.rebuilt);
    const char* bound = outcome.lostBound == TableOutcome::AtMost    ? "up to "
                        : outcome.lostBound == TableOutcome::AtLeast ? "at least "
                                                                     : "";
    line += QStringLiteral(", %1%2 lost").arg(QLatin1String(bound)).arg(outcome.lost);
    if (outcome.dropped > 0)
        line += QStringLiteral(", %1 left out (what they belong to is lost)").arg(outcome.dropped);
    return line;
}

// A file named on the command line, relative to the working folder.
QString fileArgument(const QString& argument) {
    return QDir::current().absoluteFilePath(argument);
}

} // namespace

int runCheck(Cli&, const QStringList& args) {
    CommandLine line(
        "orvmedia check [--json]",
        "Checks the library file without changing it: its header and size, a journal that\n"
        "an interrupted write left beside it, SQLite's integrity check (each finding named\n"
        "by its table or index) and the library's own rules (each built-in playlist once,\n"
        "no item or detail row whose file or playlist is gone, no two items of a playlist\n"
        "in one place, the recent list within its maximum, a known schema version).\n"
        "Prints one line and exits 0 when it is sound; otherwise a summary line and one\n"
        "line per problem, and exits 1.");
    line.addFlag(QStringLiteral("json"), QStringLiteral("Prints an object instead: the library, "
                                                        "whether it is sound, and each problem's "
                                                        "kind, table or index and text."));
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("check takes no arguments but --json"));
    const bool json = line.isSet(QStringLiteral("json"));
    const CheckReport report = checkLibrary(Cli::libraryPath(), recentMaximum());
    if (json) {
        QJsonArray problems;
        for (const Problem& problem : report.problems)
            problems.append(QJsonObject{{QStringLiteral("kind"), problem.kind},
                                        {QStringLiteral("object"), problem.object},
                                        {QStringLiteral("text"), problem.text}});
        const QJsonObject result{{QStringLiteral("library"), report.path},
                                 {QStringLiteral("sound"), report.sound()},
                                 {QStringLiteral("problems"), problems}};
        Cli::print(QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    } else if (report.sound()) {
        Cli::print(QStringLiteral("the library at %1 is sound").arg(report.path));
    } else if (report.problems.first().kind == QLatin1String("missing")) {
        Cli::print(QStringLiteral("there is no library at %1").arg(report.path));
    } else {
        Cli::print(QStringLiteral("the library at %1 is damaged: %2")
                       .arg(report.path, plural(report.problems.size(), "problem", "problems")));
        for (const Problem& problem : report.problems)
            Cli::print(problem.text);
    }
    return report.sound() ? 0 : 1;
}

int runRepair(Cli&, const QStringList& args) {
    CommandLine line(
        "orvmedia repair",
        "For a library that check finds damaged, or that does not open at all. Refuses\n"
        "while another program has the library open. Makes a new library through the\n"
        "plugin's own start-up and carries over every row that can still be read, with\n"
        "its ids, play orders and resume positions; the damaged file, with its journal,\n"
        "is kept unchanged beside it as \"Media Library.damaged-YYYYMMDD-HHMMSS\". Prints\n"
        "the rows recovered and lost per table. A sound library is left alone.");
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("repair takes no arguments (see orvmedia repair --help)"));
    const QString path = Cli::libraryPath();
    RepairOptions options;
    QString error;
    options.pluginPath = PluginSession::findPlugin(&error);
    if (options.pluginPath.isEmpty())
        return Cli::fail(error);
    options.recentMaximum = recentMaximum();
    RepairReport report;
    switch (repairLibrary(path, options, &report, &error)) {
    case RepairResult::Sound:
        Cli::print(QStringLiteral("the library at %1 is sound: nothing to repair").arg(path));
        return 0;
    case RepairResult::Failed:
        return Cli::fail(error);
    case RepairResult::Repaired:
        break;
    }
    Cli::print(QStringLiteral("the library at %1 is repaired").arg(path));
    Cli::print(QStringLiteral("the damaged library is kept as %1").arg(report.keptAs));
    Cli::print(QStringLiteral("what was wrong:"));
    printProblems(report.found);
    Cli::print(QStringLiteral("rows by table:"));
    for (const TableOutcome& outcome : report.tables)
        Cli::print(QStringLiteral("  ") + outcomeLine(outcome));
    for (qint64 playlist : report.renumbered)
        Cli::print(QStringLiteral("playlist %1: two items shared a place, so its items are "
                                  "numbered anew in the order they were in")
                       .arg(playlist));
    if (report.trimmed > 0)
        Cli::print(QStringLiteral("%1 beyond the list's maximum of %2 trimmed, as the player "
                                  "trims them after a play")
                       .arg(plural(report.trimmed, "recent entry", "recent entries"))
                       .arg(options.recentMaximum));
    if (!report.remaining.isEmpty()) {
        Cli::print(QStringLiteral("the repaired library still has %1:")
                       .arg(plural(report.remaining.size(), "problem", "problems")));
        printProblems(report.remaining);
    }
    return 0;
}

int runBackup(Cli&, const QStringList& args) {
    CommandLine line(
        "orvmedia backup [FILE]",
        "Copies the library with SQLite's online backup API, a consistent copy also while\n"
        "the player writes. The copy is checked; a damaged library is not copied.");
    line.addArgument(QStringLiteral("file"),
                     QStringLiteral("Where the copy goes; it must not exist. Default: beside the "
                                    "library, \"Media Library.backup-YYYYMMDD-HHMMSS\"."),
                     QStringLiteral("[FILE]"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() > 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const QString path = Cli::libraryPath();
    const QString target = line.arguments().isEmpty()
                               ? defaultBackupName(path, QDateTime::currentDateTime())
                               : fileArgument(line.arguments().first());
    QString error;
    if (!backupLibrary(path, target, &error))
        return Cli::fail(error);
    Cli::print(QStringLiteral("backup written to %1").arg(target));
    return 0;
}

int runRestore(Cli&, const QStringList& args) {
    CommandLine line(
        "orvmedia restore FILE",
        "Puts a backup in the library's place. Checks FILE as check does (the recent list's\n"
        "length aside: the player trims it) and refuses it when it is not sound, or while\n"
        "another program has the library open. The library it replaces is kept beside it\n"
        "as \"Media Library.replaced-YYYYMMDD-HHMMSS\".");
    line.addArgument(QStringLiteral("file"), QStringLiteral("The backup to restore."),
                     QStringLiteral("FILE"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const QString path = Cli::libraryPath();
    const QString backup = fileArgument(line.arguments().first());
    QString keptAs;
    QString error;
    if (!restoreLibrary(path, backup, recentMaximum(), QDateTime::currentDateTime(), &keptAs,
                        &error))
        return Cli::fail(error);
    Cli::print(QStringLiteral("the library at %1 is restored from %2").arg(path, backup));
    if (!keptAs.isEmpty())
        Cli::print(QStringLiteral("the library it replaces is kept as %1").arg(keptAs));
    return 0;
}
