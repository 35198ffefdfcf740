// orvmedia add and rescan: video files and folders into the library with what the files
// themselves say, and the library's local files checked against the file system again.

#include "Cli.h"
#include "CommandLine.h"
#include "MediaFiles.h"
#include "ProgressLine.h"
#include "Rescan.h"
#include "Scan.h"
#include "ScanRecord.h"
#include "ThumbnailRun.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

typedef VireoStudio::MediaManagerInterface M;

QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Added:
        return QStringLiteral("added");
    case Outcome::AlreadyInLibrary:
        return QStringLiteral("already in the library");
    case Outcome::CaseCollision:
        return QStringLiteral("letter-case collision");
    case Outcome::NotVideo:
        return QStringLiteral("not video");
    case Outcome::Unreadable:
        return QStringLiteral("unreadable");
    case Outcome::Unchanged:
        return QStringLiteral("unchanged");
    case Outcome::Updated:
        return QStringLiteral("updated");
    case Outcome::Gone:
        return QStringLiteral("gone");
    case Outcome::Pruned:
        return QStringLiteral("pruned");
    }
    return QString();
}

// "category: path (reason)", the path with its bytes as they are.
void printReport(const FileReport& report) {
    QByteArray line = outcomeName(report.outcome).toUtf8() + ": " + report.path;
    if (!report.reason.isEmpty())
        line += " (" + report.reason.toUtf8() + ")";
    line += '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
}

void addOutputOptions(CommandLine& line, const QString& verbose) {
    line.addFlag(QStringLiteral("verbose"), verbose);
    line.addFlag(QStringLiteral("quiet"), QStringLiteral("Shows no progress line."));
}

// A local path argument, as bytes: a path, or the path of a file:// URL; empty for a URL of
// another scheme.
QByteArray localPath(const QString& argument) {
    if (isUrlText(argument))
        return pathFromFileUrl(QUrl(argument, QUrl::TolerantMode));
    return absolutePath(localBytesFromText(argument));
}

// Stores a URL of another scheme as it is given, as the player would: prints its id, or the
// refusal. The values given override nothing, there being no file to read.
bool addUrl(M* library, const QString& argument, const CommandLine& line) {
    const QUrl url = urlFromArgument(argument);
    if (!url.isValid() && url.path().isEmpty()) {
        Cli::fail(QStringLiteral("'%1' is no URL or path").arg(argument));
        return false;
    }
    Held<M::MediaFileInterface> stored;
    if (library->findMediaFile(url, stored.out())) {
        Cli::fail(storedText(stored->getUri()) == storedText(url)
                      ? QStringLiteral("%1 is a video file of the library already (id %2)")
                            .arg(displayUrl(url))
                            .arg(stored->getId())
                      : caseCollision(url, stored.get()));
        return false;
    }
    Held<M::AcquiredFileInterface> acquired;
    if (library->findAcquiredFile(url, acquired.out()) &&
        storedText(acquired->getUri()) != storedText(url)) {
        Cli::fail(caseCollision(url, acquired.get()));
        return false;
    }
    const QString title = line.text(QStringLiteral("title"));
    Held<M::VideoFileInterface> file;
    if (!library->newVideoFile(url, title, quint64(line.number(QStringLiteral("size"))),
                               quint64(line.number(QStringLiteral("duration"))), file.out())) {
        Cli::fail(QStringLiteral("%1 cannot be added").arg(displayUrl(url)));
        return false;
    }
    if (!line.isSet(QStringLiteral("size")))
        file->clearSize();
    if (!line.isSet(QStringLiteral("duration")))
        file->clearDuration();
    if (title.isEmpty())
        file->clearTitle();
    if (file->isNameNull() || file->getName().isEmpty())
        file->setName(fallbackNameOf(url));
    if (!file->save()) {
        Cli::fail(QStringLiteral("%1 could not be stored").arg(displayUrl(url)));
        return false;
    }
    Cli::print(QString::number(file->getId()));
    return true;
}

} // namespace

int runAdd(Cli& cli, const QStringList& args) {
    CommandLine line(
        QStringLiteral("orvmedia add PATH|URL... [--title T] [--size BYTES] [--duration MS]\n"
                       "             [--no-recurse] [--thumbnails] [--verbose] [--quiet]"),
        QStringLiteral(
            "Adds the video files among the files and folders given (folders with everything\n"
            "below them), with the duration, size and title the files themselves give; hidden\n"
            "files and folders are passed over, and a file that is no video is left out. Ends\n"
            "with one line: how many were added, were in the library already, are not video,\n"
            "could not be read, and differ only in letter case from an entry of the library\n"
            "(which does not tell such names apart; each is named, with the entry). Exits 1\n"
            "only when nothing given could be read at all.\n"
            "A text that begins with a scheme of two or more characters and a colon (https:,\n"
            "smb:, magnet:) is a URL; a URL of another scheme than file: is stored as it is\n"
            "and its id printed, and one that is in the library already is refused.\n"
            "--title, --size and --duration go with one file or URL, in place of what the\n"
            "file says. --thumbnails makes the files' missing thumbnails while they are\n"
            "scanned (see orvmedia thumbnails)."));
    line.addText(QStringLiteral("title"), QStringLiteral("T"), QStringLiteral("The title."));
    line.addNumber(QStringLiteral("size"), QStringLiteral("BYTES"),
                   QStringLiteral("The size in bytes."));
    line.addNumber(QStringLiteral("duration"), QStringLiteral("MS"),
                   QStringLiteral("The duration in milliseconds."));
    line.addFlag(QStringLiteral("no-recurse"),
                 QStringLiteral("Takes the files of a folder given, not those of its subfolders."));
    line.addFlag(QStringLiteral("thumbnails"),
                 QStringLiteral("Makes the missing thumbnails of the video files scanned."));
    addOutputOptions(line, QStringLiteral("Lists each file that was not added, with why."));
    line.addArgument(QStringLiteral("paths"), QStringLiteral("Files, folders and URLs to add."),
                     QStringLiteral("PATH|URL..."));
    if (const auto exit = line.parse(args))
        return *exit;
    const QStringList given = line.arguments();
    if (given.isEmpty())
        return Cli::fail(QStringLiteral("usage: ") + line.usage().section(QLatin1Char('\n'), 0, 0));
    const bool overrides = line.isSet(QStringLiteral("title")) ||
                           line.isSet(QStringLiteral("size")) ||
                           line.isSet(QStringLiteral("duration"));
    QStringList urls;
    QList<QByteArray> paths;
    for (const QString& argument : given) {
        const QByteArray path = localPath(argument);
        if (path.isEmpty())
            urls << argument;
        else
            paths << path;
    }
    struct stat status = {};
    if (overrides &&
        (given.size() != 1 || (!paths.isEmpty() && stat(paths.first().constData(), &status) == 0 &&
                               S_ISDIR(status.st_mode))))
        return Cli::fail(QStringLiteral("--title, --size and --duration go with one file or URL"));

    const bool verbose = line.isSet(QStringLiteral("verbose"));
    std::unique_ptr<ThumbnailRun> thumbnails;
    if (line.isSet(QStringLiteral("thumbnails"))) {
        QString error;
        if (!ThumbnailRun::available(&error))
            return Cli::fail(error);
        thumbnails = std::make_unique<ThumbnailRun>(verbose);
    }
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    int exit = 0;
    for (const QString& url : urls) {
        if (!addUrl(library, url, line))
            exit = 1;
    }
    if (paths.isEmpty())
        return exit;

    ScanOptions options;
    options.recurse = !line.isSet(QStringLiteral("no-recurse"));
    options.recordFile = ScanRecord::fileFor(Cli::libraryPath());
    if (line.isSet(QStringLiteral("title")))
        options.title = line.text(QStringLiteral("title"));
    if (line.isSet(QStringLiteral("size")))
        options.size = line.number(QStringLiteral("size"));
    if (line.isSet(QStringLiteral("duration")))
        options.durationMs = line.number(QStringLiteral("duration"));
    Scan scan(library, options);
    ProgressLine progressLine(!line.isSet(QStringLiteral("quiet")));
    scan.progress = [&progressLine](const ScanCounts& counts) {
        progressLine.show(QStringLiteral("found %1%2, probed %3, added %4")
                              .arg(counts.found)
                              .arg(counts.discovering ? QStringLiteral("+") : QString())
                              .arg(counts.probed)
                              .arg(counts.added),
                          counts.handled(), counts.discovering ? 0 : counts.found);
    };
    scan.report = [&progressLine, verbose, &thumbnails](const FileReport& report) {
        // The pictures of the video files are made while the scan goes on.
        if (thumbnails &&
            (report.outcome == Outcome::Added || report.outcome == Outcome::AlreadyInLibrary))
            thumbnails->submit(report.path);
        // A file that collides with an entry by letter case is always named, with the entry;
        // the other files not added with --verbose.
        if (report.outcome == Outcome::Added ||
            (!verbose && report.outcome != Outcome::CaseCollision))
            return;
        progressLine.clear();
        printReport(report);
    };
    QString error;
    const bool stored = scan.run(paths, &error);
    progressLine.clear();
    if (thumbnails)
        thumbnails->finish(progressLine);
    const ScanCounts& counts = scan.counts();
    Cli::print(QStringLiteral("%1 added, %2 already in the library, %3 not video, %4 unreadable, "
                              "%5 letter-case collisions")
                   .arg(counts.added)
                   .arg(counts.already)
                   .arg(counts.notVideo)
                   .arg(counts.unreadable)
                   .arg(counts.collisions));
    if (thumbnails)
        Cli::print(thumbnails->summary());
    if (!stored)
        return Cli::fail(error);
    // A file that could not be read is no failure of the command, unless nothing could be.
    const qint64 read = counts.added + counts.already + counts.notVideo + counts.collisions;
    if (read == 0 && counts.unreadable > 0)
        return Cli::fail(QStringLiteral("nothing given could be read (--verbose tells why)"));
    return exit;
}

int runRescan(Cli& cli, const QStringList& args) {
    CommandLine line(
        QStringLiteral("orvmedia rescan [PATH...] [--full] [--prune] [--verbose] [--quiet]"),
        QStringLiteral(
            "Checks the library's local video files (all, or those at or below the paths\n"
            "given) against the file system: a file whose size or modification time changed\n"
            "since it was last read is read again, and its size, duration and title stored\n"
            "anew. The files that are gone are listed; --prune deletes them from the library.\n"
            "Ends with one line of counts."));
    line.addFlag(QStringLiteral("full"), QStringLiteral("Reads every file again, changed or not."));
    line.addFlag(QStringLiteral("prune"),
                 QStringLiteral("Deletes the entries of files that are gone."));
    addOutputOptions(line, QStringLiteral("Lists each file updated, no longer video or "
                                          "unreadable, with why."));
    line.addArgument(QStringLiteral("paths"),
                     QStringLiteral("Folders or files whose entries to check (default: all)."),
                     QStringLiteral("[PATH...]"));
    if (const auto exit = line.parse(args))
        return *exit;
    QList<QByteArray> under;
    for (const QString& argument : line.arguments()) {
        const QByteArray path = localPath(argument);
        if (path.isEmpty())
            return Cli::fail(QStringLiteral("'%1' is no local path").arg(argument));
        under << path;
    }
    RescanOptions options;
    options.full = line.isSet(QStringLiteral("full"));
    options.prune = line.isSet(QStringLiteral("prune"));
    options.libraryFile = Cli::libraryPath();
    options.recordFile = ScanRecord::fileFor(options.libraryFile);
    // The plugin is loaded only when the library must be read or written.
    Rescan rescan([&cli] { return cli.openLibrary(); }, options);
    ProgressLine progressLine(!line.isSet(QStringLiteral("quiet")));
    rescan.progress = [&progressLine](const ScanCounts& counts) {
        progressLine.show(QStringLiteral("checked %1 of %2, probed %3, updated %4")
                              .arg(counts.handled())
                              .arg(counts.found)
                              .arg(counts.probed)
                              .arg(counts.updated),
                          counts.handled(), counts.found);
    };
    const bool verbose = line.isSet(QStringLiteral("verbose"));
    rescan.report = [&progressLine, verbose](const FileReport& report) {
        // The files that are gone are always listed; the rest with --verbose.
        const bool listed =
            report.outcome == Outcome::Gone ||
            (verbose && report.outcome != Outcome::Unchanged && report.outcome != Outcome::Pruned);
        if (!listed)
            return;
        progressLine.clear();
        printReport(report);
    };
    QString error;
    const bool stored = rescan.run(under, &error);
    progressLine.clear();
    const ScanCounts& counts = rescan.counts();
    QString summary = QStringLiteral("%1 checked: %2 unchanged, %3 updated, %4 gone, %5 not "
                                     "video, %6 unreadable")
                          .arg(counts.found)
                          .arg(counts.unchanged)
                          .arg(counts.updated)
                          .arg(counts.gone)
                          .arg(counts.notVideo)
                          .arg(counts.unreadable);
    if (options.prune)
        summary += QStringLiteral(", %1 pruned").arg(counts.pruned);
    Cli::print(summary);
    if (stored)
        return 0;
    return error.isEmpty() ? 1 : Cli::fail(error); // an empty error: the library said why
}
