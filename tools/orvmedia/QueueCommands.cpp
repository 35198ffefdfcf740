// orvmedia acquire, queue ... and reset-downloads: content acquired from a provider, the
// download queue, and putting unfinished downloads back to the start.

#include "Cli.h"
#include "CommandLine.h"
#include "HostTransaction.h"
#include "MediaFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <climits>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const char kQueueUsage[] =
    "orvmedia queue [--json]     the queue in order: id, status, percent, title,\n"
    "                            download URL and temporary file URL\n"
    "orvmedia queue add URL --title T --download-url U [--content-id N] [--provider P]\n"
    "                            a new download (status 1, 0 %); prints its id\n"
    "orvmedia queue set ID [--status S] [--percent P] [--temp URL]\n"
    "                            changes a download; --temp \"\" clears the temporary file\n"
    "orvmedia queue rm ID        removes a download: its entry goes, unless it is a video\n"
    "                            file of the library too, which then stays\n"
    "  URL, U and the --temp URL may be local paths. The status is the player's own\n"
    "  number: 1 new or waiting, 6 stalled, 4 finished. orvmedia queue add|set|rm --help\n"
    "  tells more.";

QString urlText(const QUrl& url) {
    return displayUrl(url);
}

QJsonValue nullableUrl(bool isNull, const QUrl& url) {
    return isNull ? QJsonValue() : QJsonValue(urlText(url));
}

int queueAdd(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia queue add URL --title T --download-url U [--content-id N] "
                     "[--provider P]",
                     "Queues a new download (status 1, 0 %) and prints its id.");
    line.addText(QStringLiteral("title"), QStringLiteral("T"), QStringLiteral("The title."));
    line.addText(QStringLiteral("download-url"), QStringLiteral("U"),
                 QStringLiteral("Where the content is downloaded from."));
    line.addNumber(QStringLiteral("content-id"), QStringLiteral("N"),
                   QStringLiteral("The provider's content id, above 0."), 1);
    line.addText(QStringLiteral("provider"), QStringLiteral("P"),
                 QStringLiteral("The content provider."));
    line.addArgument(QStringLiteral("url"), QStringLiteral("The content's URL or local path."),
                     QStringLiteral("URL"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    const QString title = line.text(QStringLiteral("title"));
    const QString download = line.text(QStringLiteral("download-url"));
    const QString provider = line.text(QStringLiteral("provider"));
    if (args.size() != 1 || title.isEmpty() || download.isEmpty())
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const quint64 contentId = quint64(line.number(QStringLiteral("content-id")));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const QUrl url = urlFromArgument(args.first());
    const QUrl downloadUrl = urlFromArgument(download);

    Held<M::MediaFileInterface> media;
    if (library->findMediaFile(url, media.out()))
        return Cli::fail(storedText(media->getUri()) == storedText(url)
                             ? QStringLiteral("%1 is a video file of the library already (id %2)")
                                   .arg(urlText(url))
                                   .arg(media->getId())
                             : caseCollision(url, media.get()));
    Held<M::QueuedFileInterface> file;
    if (!library->newQueuedFile(url, title, downloadUrl, file.out()))
        return Cli::fail(QStringLiteral("%1 is acquired already").arg(urlText(url)));
    if (contentId)
        file->setContentId(contentId);
    if (!provider.isEmpty())
        file->setContentProvider(provider);
    if (!file->save())
        return Cli::fail(QStringLiteral("%1 could not be stored").arg(urlText(url)));
    Cli::print(QString::number(file->getId()));
    return 0;
}

int queueList(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia queue [--json]",
                     "The download queue in order: id, status, percent, title, download URL and\n"
                     "temporary file URL. orvmedia queue add|set|rm changes it.");
    line.addFlag(QStringLiteral("json"), QStringLiteral("Prints a JSON array instead."));
    if (const auto exit = line.parse(words))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("queue takes no arguments but --json, or one of add, "
                                        "set, rm (see orvmedia queue --help)"));
    const bool json = line.isSet(QStringLiteral("json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const HostTransaction reading(library);
    Held<M::PlaylistInterface> queue;
    if (!library->getPlaylistAt(M::PLAYLIST_TYPE_QUEUE, 0, queue.out()))
        return Cli::fail(QStringLiteral("the library has no download queue"));
    QJsonArray rows;
    if (!json)
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(QStringLiteral("ID"), 6)
                       .arg(QStringLiteral("STATUS"), 6)
                       .arg(QStringLiteral("PERCENT"), 7)
                       .arg(QStringLiteral("TITLE"), -24)
                       .arg(QStringLiteral("DOWNLOAD URL"), -32)
                       .arg(QStringLiteral("TEMP URL")));
    const qint64 items = queue->getItemCount();
    for (qint64 position = 0; position < items; ++position) {
        Held<M::QueuedFileInterface> file;
        if (!queue->getQueuedFileAt(quint64(position), file.out()))
            continue;
        const QString title = file->isTitleNull() ? QString() : file->getTitle();
        if (json) {
            QJsonObject row;
            row.insert(QStringLiteral("id"), qint64(file->getId()));
            row.insert(QStringLiteral("status"), file->getDownloadStatus());
            row.insert(QStringLiteral("percent"), file->getPercentCompleteAsInt64());
            row.insert(QStringLiteral("title"),
                       file->isTitleNull() ? QJsonValue() : QJsonValue(title));
            row.insert(QStringLiteral("downloadUrl"),
                       nullableUrl(file->isDownloadUrlNull(), file->getDownloadUrl()));
            row.insert(QStringLiteral("tempUrl"),
                       nullableUrl(file->isTempUriNull(), file->getTempUri()));
            rows.append(row);
            continue;
        }
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(file->getId(), 6)
                       .arg(file->getDownloadStatus(), 6)
                       .arg(file->getPercentCompleteAsInt64(), 7)
                       .arg(title, -24)
                       .arg(urlText(file->getDownloadUrl()), -32)
                       .arg(file->isTempUriNull() || file->getTempUri().isEmpty()
                                ? QStringLiteral("-")
                                : urlText(file->getTempUri())));
    }
    if (json)
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    return 0;
}

int queueSet(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia queue set ID [--status S] [--percent P] [--temp URL]",
                     "Changes a download; --temp \"\" clears the temporary file.");
    line.addArgument(QStringLiteral("id"), QStringLiteral("The download's id."),
                     QStringLiteral("ID"));
    line.addNumber(QStringLiteral("status"), QStringLiteral("S"),
                   QStringLiteral("The player's status: 1 new or waiting, 6 stalled, 4 finished."));
    line.addNumber(QStringLiteral("percent"), QStringLiteral("P"),
                   QStringLiteral("How much is downloaded."));
    line.addText(QStringLiteral("temp"), QStringLiteral("URL"),
                 QStringLiteral("The temporary file's URL or local path."));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    const bool hasStatus = line.isSet(QStringLiteral("status"));
    const bool hasPercent = line.isSet(QStringLiteral("percent"));
    const bool hasTemp = line.isSet(QStringLiteral("temp"));
    const QString temp = line.text(QStringLiteral("temp"));
    qint64 id = 0;
    if (args.size() != 1 || !parseWholeNumber(args.first(), &id) ||
        (!hasStatus && !hasPercent && !hasTemp))
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const qint64 status = line.number(QStringLiteral("status"));
    if (status > INT_MAX)
        return Cli::fail(QStringLiteral("--status takes a whole number from 0 to %1").arg(INT_MAX));
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    Held<M::QueuedFileInterface> file;
    if (!library->getQueuedFile(quint64(id), file.out()))
        return Cli::fail(QStringLiteral("no download %1 in the queue").arg(id));
    if (hasStatus)
        file->setDownloadStatus(int(status));
    if (hasPercent)
        file->setPercentComplete(line.number(QStringLiteral("percent")));
    if (hasTemp && temp.isEmpty())
        file->clearTempUri();
    else if (hasTemp)
        file->setTempUri(urlFromArgument(temp));
    if (!file->save())
        return Cli::fail(QStringLiteral("the download %1 could not be stored").arg(id));
    return 0;
}

int queueRemove(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia queue rm ID",
                     "Removes a download: its entry goes, unless it is a video file of the\n"
                     "library too, which then stays.");
    line.addArgument(QStringLiteral("id"), QStringLiteral("The download's id."),
                     QStringLiteral("ID"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    qint64 signedId = 0;
    if (args.size() != 1 || !parseWholeNumber(args.first(), &signedId))
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const quint64 id = quint64(signedId);
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    {
        // Only a download is deleted this way: the delete takes any other entry's whole node.
        Held<M::QueuedFileInterface> file;
        if (!library->getQueuedFile(id, file.out()))
            return Cli::fail(QStringLiteral("no download %1 in the queue").arg(id));
    }
    if (!library->deleteQueuedFile(id))
        return Cli::fail(QStringLiteral("the download %1 could not be deleted").arg(id));
    return 0;
}

} // namespace

int runAcquire(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia acquire URL --title T --content-id N [--provider P]",
                     "Stores URL as acquired content with the provider's content id and prints\n"
                     "its id. A video file of the library keeps its entry and becomes acquired\n"
                     "as well. A URL that is acquired already is refused.");
    line.addText(QStringLiteral("title"), QStringLiteral("T"), QStringLiteral("The title."));
    line.addNumber(QStringLiteral("content-id"), QStringLiteral("N"),
                   QStringLiteral("The provider's content id, above 0."), 1);
    line.addText(QStringLiteral("provider"), QStringLiteral("P"),
                 QStringLiteral("The content provider."));
    line.addArgument(QStringLiteral("url"), QStringLiteral("The content's URL or local path."),
                     QStringLiteral("URL"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    const QString title = line.text(QStringLiteral("title"));
    const QString provider = line.text(QStringLiteral("provider"));
    if (args.size() != 1 || title.isEmpty() || !line.isSet(QStringLiteral("content-id")))
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const quint64 contentId = quint64(line.number(QStringLiteral("content-id")));
    const QUrl url = urlFromArgument(args.first());
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    Held<M::AcquiredFileInterface> file;
    if (library->findAcquiredFile(url, file.out()))
        return Cli::fail(storedText(file->getUri()) == storedText(url)
                             ? QStringLiteral("%1 is acquired already (id %2)")
                                   .arg(urlText(url))
                                   .arg(file->getId())
                             : caseCollision(url, file.get()));
    // A video file of the library becomes acquired content as it is; any other URL gets a new
    // entry. A video file whose URL differs in letter case is another file.
    Held<M::MediaFileInterface> media;
    const bool isVideo = library->findMediaFile(url, media.out());
    if (isVideo && storedText(media->getUri()) != storedText(url))
        return Cli::fail(caseCollision(url, media.get()));
    const bool made = isVideo ? library->newAcquiredFileForMediaFile(media.get(), file.out())
                              : library->newAcquiredFile(url, title, contentId, file.out());
    if (!made)
        return Cli::fail(QStringLiteral("%1 cannot be acquired").arg(urlText(url)));
    file->setTitle(title);
    file->setContentId(contentId);
    if (!provider.isEmpty())
        file->setContentProvider(provider);
    if (!file->save())
        return Cli::fail(QStringLiteral("%1 could not be stored").arg(urlText(url)));
    Cli::print(QString::number(file->getId()));
    return 0;
}

int runQueue(Cli& cli, const QStringList& args) {
    const QString sub = args.isEmpty() ? QString() : args.first();
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) {
        Cli::print(QLatin1String(kQueueUsage));
        return 0;
    }
    if (sub == QLatin1String("add"))
        return queueAdd(cli, args.mid(1));
    if (sub == QLatin1String("set"))
        return queueSet(cli, args.mid(1));
    if (sub == QLatin1String("rm"))
        return queueRemove(cli, args.mid(1));
    return queueList(cli, args);
}

int runResetDownloads(Cli& cli, const QStringList& args) {
    CommandLine line(
        "orvmedia reset-downloads",
        "As the player does at start: every download left unfinished (status 1 below\n"
        "100 %, or status 6) goes back to status 1 at 0 % without a temporary file, and\n"
        "the partial-download files beside its temporary file (.ddat, .dinfo, .dmsk) are\n"
        "deleted. Exits 1, and leaves the library closed, when the queue cannot be read.");
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("reset-downloads takes no arguments"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    if (!library->resetInterruptedDownloads())
        return Cli::fail(QStringLiteral("the download queue could not be read"));
    return 0;
}
