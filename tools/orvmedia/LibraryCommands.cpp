// orvmedia show, rm and ls: the video files of the library.

#include "Cli.h"
#include "CommandLine.h"
#include "HostTransaction.h"
#include "HumanFormat.h"
#include "MediaFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

typedef VireoStudio::MediaManagerInterface M;

QString dateText(bool isNull, const QDateTime& value) {
    return isNull ? QStringLiteral("-") : value.toLocalTime().toString(Qt::ISODate);
}

QString numberText(bool isNull, qint64 value) {
    return isNull ? QStringLiteral("-") : QString::number(value);
}

QString sizeText(bool isNull, qint64 bytes) {
    return isNull ? QStringLiteral("-") : formatSize(bytes);
}

QString durationText(bool isNull, qint64 milliseconds) {
    return isNull ? QStringLiteral("-") : formatDuration(milliseconds);
}

} // namespace

int runShow(Cli& cli, const QStringList& args) {
    CommandLine line(QStringLiteral("orvmedia show URL|ID"),
                     QStringLiteral("Prints every field of the video file with that URL (or "
                                    "path) or node id."));
    line.addArgument(QStringLiteral("file"), QStringLiteral("A URL, a local path or a node id."),
                     QStringLiteral("URL|ID"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::MediaFileInterface> file;
    QString error;
    if (!findMediaFileArg(library, line.arguments().first(), file, &error))
        return Cli::fail(error);
    auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
    Cli::print(QStringLiteral("id: %1").arg(file->getId()));
    Cli::print(QStringLiteral("url: %1").arg(displayUrl(file->getUri())));
    Cli::print(QStringLiteral("name: %1").arg(file->getName()));
    Cli::print(QStringLiteral("created: %1")
                   .arg(dateText(file->isCreateDateNull(), file->getCreateDate())));
    Cli::print(QStringLiteral("title: %1")
                   .arg(file->isTitleNull() ? QStringLiteral("-") : file->getTitle()));
    Cli::print(QStringLiteral("size: %1%2")
                   .arg(sizeText(file->isSizeNull(), file->getSizeAsInt64()))
                   .arg(file->isSizeNull()
                            ? QString()
                            : QStringLiteral(" (%1 bytes)").arg(file->getSizeAsInt64())));
    if (video)
        Cli::print(QStringLiteral("duration: %1")
                       .arg(durationText(video->isDurationNull(), video->getDurationAsInt64())));
    Cli::print(QStringLiteral("description: %1")
                   .arg(file->isDescriptionNull() ? QStringLiteral("-") : file->getDescription()));
    Cli::print(QStringLiteral("last played: %1")
                   .arg(dateText(file->isLastPlayedNull(), file->getLastPlayed())));
    Cli::print(QStringLiteral("rating: %1")
                   .arg(numberText(file->isUserRatingNull(), file->getUserRatingAsInt64())));
    Cli::print(QStringLiteral("play count: %1").arg(file->getPlayCountAsInt64()));
    Cli::print(QStringLiteral("media type: %1").arg(file->getMediaFileType()));
    return 0;
}

int runRm(Cli& cli, const QStringList& args) {
    CommandLine line(QStringLiteral("orvmedia rm URL|ID"),
                     QStringLiteral("Deletes the video file with that URL (or path) or node id."));
    line.addArgument(QStringLiteral("file"), QStringLiteral("A URL, a local path or a node id."),
                     QStringLiteral("URL|ID"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    quint64 id = 0;
    {
        Held<M::MediaFileInterface> file;
        QString error;
        if (!findMediaFileArg(library, line.arguments().first(), file, &error))
            return Cli::fail(error);
        id = file->getId();
    }
    if (!library->deleteVideoFile(id))
        return Cli::fail(QStringLiteral("the video file %1 could not be deleted").arg(id));
    return 0;
}

int runLs(Cli& cli, const QStringList& args) {
    CommandLine line(QStringLiteral("orvmedia ls [--json]"),
                     QStringLiteral("The video files (the built-in playlist of type 2) in play "
                                    "order: id, size, duration,\nplay count, title and URL."));
    line.addFlag(QStringLiteral("json"),
                 QStringLiteral("Prints a JSON array, sizes in bytes and durations in "
                                "milliseconds."));
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("ls takes no arguments but --json"));
    const bool json = line.isSet(QStringLiteral("json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const HostTransaction reading(library);
    Held<M::PlaylistInterface> videos;
    if (!library->getPlaylistAt(2, 0, videos.out()))
        return Cli::fail(QStringLiteral("the library has no playlist of video files"));
    QJsonArray rows;
    if (!json)
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(QStringLiteral("ID"), 6)
                       .arg(QStringLiteral("SIZE"), 9)
                       .arg(QStringLiteral("DURATION"), 8)
                       .arg(QStringLiteral("PLAYS"), 5)
                       .arg(QStringLiteral("TITLE"), -24)
                       .arg(QStringLiteral("URL")));
    const qint64 items = videos->getItemCount();
    for (qint64 position = 0; position < items; ++position) {
        Held<M::MediaFileInterface> file;
        if (!videos->getMediaFileAt(quint64(position), file.out()))
            continue;
        auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
        const bool noDuration = !video || video->isDurationNull();
        const qint64 duration = video ? video->getDurationAsInt64() : 0;
        if (json) {
            QJsonObject row;
            row.insert(QStringLiteral("id"), qint64(file->getId()));
            row.insert(QStringLiteral("title"),
                       file->isTitleNull() ? QJsonValue() : QJsonValue(file->getTitle()));
            row.insert(QStringLiteral("size"),
                       file->isSizeNull() ? QJsonValue() : QJsonValue(file->getSizeAsInt64()));
            row.insert(QStringLiteral("duration"),
                       noDuration ? QJsonValue() : QJsonValue(duration));
            row.insert(QStringLiteral("playCount"), file->getPlayCountAsInt64());
            row.insert(QStringLiteral("url"), displayUrl(file->getUri()));
            rows.append(row);
            continue;
        }
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(file->getId(), 6)
                       .arg(sizeText(file->isSizeNull(), file->getSizeAsInt64()), 9)
                       .arg(durationText(noDuration, duration), 8)
                       .arg(file->getPlayCountAsInt64(), 5)
                       .arg(file->getTitle(), -24)
                       .arg(displayUrl(file->getUri())));
    }
    if (json)
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    return 0;
}
