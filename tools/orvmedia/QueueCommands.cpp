// orvmedia acquire, queue ... and reset-downloads: content acquired from a provider, the
// download queue, and putting unfinished downloads back to the start.

#include "Args.h"
#include "Cli.h"
#include "MediaFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <climits>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const char kAcquireUsage[] = "usage: orvmedia acquire URL --title T --content-id N [--provider P]";
const char kQueueAddUsage[] = "usage: orvmedia queue add URL --title T --download-url U "
                              "[--content-id N] [--provider P]";
const char kQueueSetUsage[] =
    "usage: orvmedia queue set ID [--status S] [--percent P] [--temp URL]";

// Options given as "NAME VALUE", taken out of args in order; false (with error set) when one is
// missing its value or something unknown is left among the options.
bool takeValues(QStringList& args, const QList<QPair<const char*, QString*>>& options,
                QString* error) {
    for (const auto& option : options)
        takeValue(args, QLatin1String(option.first), option.second, error);
    if (error->isEmpty() && !firstOption(args).isEmpty())
        *error = QStringLiteral("unknown option %1").arg(firstOption(args));
    return error->isEmpty();
}

// A content id: a whole number above 0; an empty text is "not given".
bool parseContentId(const QString& text, quint64* contentId, QString* error) {
    if (text.isEmpty())
        return true;
    if (!parseNumber(text, contentId) || *contentId == 0) {
        *error = QStringLiteral("--content-id takes a whole number above 0");
        return false;
    }
    return true;
}

QString urlText(const QUrl& url) {
    return VireoStudio::displayUrl(url);
}

QJsonValue nullableUrl(bool isNull, const QUrl& url) {
    return isNull ? QJsonValue() : QJsonValue(urlText(url));
}

int queueAdd(M* library, const QStringList& arguments) {
    QStringList args = arguments;
    QString error, title, download, contentIdText, provider;
    if (!takeValues(args,
                    {{"--title", &title},
                     {"--download-url", &download},
                     {"--content-id", &contentIdText},
                     {"--provider", &provider}},
                    &error))
        return Cli::fail(error);
    if (args.size() != 1 || title.isEmpty() || download.isEmpty())
        return Cli::fail(QLatin1String(kQueueAddUsage));
    quint64 contentId = 0;
    if (!parseContentId(contentIdText, &contentId, &error))
        return Cli::fail(error);
    const QUrl url = urlArgument(args.first());
    const QUrl downloadUrl = urlArgument(download);

    Held<M::MediaFileInterface> media;
    if (library->findMediaFile(url, media.out()))
        return Cli::fail(QStringLiteral("%1 is a video file of the library already (id %2)")
                             .arg(urlText(url))
                             .arg(media->getId()));
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

int queueList(M* library, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("queue takes no arguments but --json, or one of add, "
                                        "set, rm (see orvmedia queue --help)"));
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

int queueSet(M* library, const QStringList& arguments) {
    QStringList args = arguments;
    QString error, statusText, percentText, temp;
    const bool hasTemp = args.contains(QStringLiteral("--temp"));
    if (!takeValues(args,
                    {{"--status", &statusText}, {"--percent", &percentText}, {"--temp", &temp}},
                    &error))
        return Cli::fail(error);
    quint64 id = 0, status = 0, percent = 0;
    if (args.size() != 1 || !parseNumber(args.first(), &id) ||
        (statusText.isEmpty() && percentText.isEmpty() && !hasTemp))
        return Cli::fail(QLatin1String(kQueueSetUsage));
    if (!statusText.isEmpty() && (!parseNumber(statusText, &status) || status > quint64(INT_MAX)))
        return Cli::fail(QStringLiteral("--status takes a whole number"));
    if (!percentText.isEmpty() &&
        (!parseNumber(percentText, &percent) || percent > quint64(INT64_MAX)))
        return Cli::fail(QStringLiteral("--percent takes a whole number"));

    Held<M::QueuedFileInterface> file;
    if (!library->getQueuedFile(id, file.out()))
        return Cli::fail(QStringLiteral("no download %1 in the queue").arg(id));
    if (!statusText.isEmpty())
        file->setDownloadStatus(int(status));
    if (!percentText.isEmpty())
        file->setPercentComplete(qint64(percent));
    if (hasTemp && temp.isEmpty())
        file->clearTempUri();
    else if (hasTemp)
        file->setTempUri(urlArgument(temp));
    if (!file->save())
        return Cli::fail(QStringLiteral("the download %1 could not be stored").arg(id));
    return 0;
}

int queueRemove(M* library, const QStringList& args) {
    quint64 id = 0;
    if (args.size() != 1 || !parseNumber(args.first(), &id))
        return Cli::fail(QStringLiteral("usage: orvmedia queue rm ID"));
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

int runAcquire(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    QString error, title, contentIdText, provider;
    if (!takeValues(
            args,
            {{"--title", &title}, {"--content-id", &contentIdText}, {"--provider", &provider}},
            &error))
        return Cli::fail(error);
    if (args.size() != 1 || title.isEmpty() || contentIdText.isEmpty())
        return Cli::fail(QLatin1String(kAcquireUsage));
    quint64 contentId = 0;
    if (!parseContentId(contentIdText, &contentId, &error))
        return Cli::fail(error);
    const QUrl url = urlArgument(args.first());
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    Held<M::AcquiredFileInterface> file;
    if (library->findAcquiredFile(url, file.out()))
        return Cli::fail(
            QStringLiteral("%1 is acquired already (id %2)").arg(urlText(url)).arg(file->getId()));
    // A video file of the library becomes acquired content as it is; any other URL gets a new
    // entry.
    Held<M::MediaFileInterface> media;
    const bool made = library->findMediaFile(url, media.out())
                          ? library->newAcquiredFileForMediaFile(media.get(), file.out())
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

int runQueue(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = args.isEmpty() ? QString() : args.first();
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    if (sub == QLatin1String("add"))
        return queueAdd(library, args.mid(1));
    if (sub == QLatin1String("set"))
        return queueSet(library, args.mid(1));
    if (sub == QLatin1String("rm"))
        return queueRemove(library, args.mid(1));
    return queueList(library, args);
}

int runResetDownloads(Cli& cli, const QStringList& args) {
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("reset-downloads takes no arguments"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    if (!library->resetInterruptedDownloads())
        return Cli::fail(QStringLiteral("the download queue could not be read"));
    return 0;
}
