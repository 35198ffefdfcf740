// orvmedia add, show, rm and ls: the video files of the library.

#include "Args.h"
#include "Cli.h"
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

} // namespace

int runAdd(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    QString error, title, sizeText, durationText;
    takeValue(args, QStringLiteral("--title"), &title, &error);
    takeValue(args, QStringLiteral("--size"), &sizeText, &error);
    takeValue(args, QStringLiteral("--duration"), &durationText, &error);
    if (!error.isEmpty())
        return Cli::fail(error);
    if (!firstOption(args).isEmpty())
        return Cli::fail(QStringLiteral("unknown option %1").arg(firstOption(args)));
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: orvmedia add URL [--title T] [--size BYTES] "
                                        "[--duration D]"));
    quint64 size = 0, duration = 0;
    if ((!sizeText.isEmpty() && !parseNumber(sizeText, &size)) ||
        (!durationText.isEmpty() && !parseNumber(durationText, &duration)))
        return Cli::fail(QStringLiteral("--size and --duration take whole numbers"));
    const QUrl url = urlArgument(args.first());
    if (url.isEmpty())
        return Cli::fail(QStringLiteral("'%1' is no URL or path").arg(args.first()));

    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::VideoFileInterface> file;
    if (!library->newVideoFile(url, title, size, duration, file.out()))
        return Cli::fail(QStringLiteral("%1 is a video file of the library already")
                             .arg(VireoStudio::displayUrl(url)));
    if (sizeText.isEmpty())
        file->clearSize();
    if (durationText.isEmpty())
        file->clearDuration();
    if (title.isEmpty())
        file->clearTitle();
    if (!file->save())
        return Cli::fail(
            QStringLiteral("%1 could not be stored").arg(VireoStudio::displayUrl(url)));
    Cli::print(QString::number(file->getId()));
    return 0;
}

int runShow(Cli& cli, const QStringList& args) {
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: orvmedia show URL|ID"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::MediaFileInterface> file;
    if (!findMediaFileArg(library, args.first(), file))
        return Cli::fail(QStringLiteral("no video file '%1' in the library").arg(args.first()));
    auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
    Cli::print(QStringLiteral("id: %1").arg(file->getId()));
    Cli::print(QStringLiteral("url: %1").arg(VireoStudio::displayUrl(file->getUri())));
    Cli::print(QStringLiteral("name: %1").arg(file->getName()));
    Cli::print(QStringLiteral("created: %1")
                   .arg(dateText(file->isCreateDateNull(), file->getCreateDate())));
    Cli::print(QStringLiteral("title: %1")
                   .arg(file->isTitleNull() ? QStringLiteral("-") : file->getTitle()));
    Cli::print(
        QStringLiteral("size: %1").arg(numberText(file->isSizeNull(), file->getSizeAsInt64())));
    if (video)
        Cli::print(QStringLiteral("duration: %1")
                       .arg(numberText(video->isDurationNull(), video->getDurationAsInt64())));
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
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: orvmedia rm URL|ID"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    quint64 id = 0;
    {
        Held<M::MediaFileInterface> file;
        if (!findMediaFileArg(library, args.first(), file))
            return Cli::fail(QStringLiteral("no video file '%1' in the library").arg(args.first()));
        id = file->getId();
    }
    if (!library->deleteVideoFile(id))
        return Cli::fail(QStringLiteral("the video file %1 could not be deleted").arg(id));
    return 0;
}

int runLs(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("ls takes no arguments but --json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> videos;
    if (!library->getPlaylistAt(2, 0, videos.out()))
        return Cli::fail(QStringLiteral("the library has no playlist of video files"));
    QJsonArray rows;
    if (!json)
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(QStringLiteral("ID"), 6)
                       .arg(QStringLiteral("SIZE"), 12)
                       .arg(QStringLiteral("DURATION"), 10)
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
            row.insert(QStringLiteral("url"), VireoStudio::displayUrl(file->getUri()));
            rows.append(row);
            continue;
        }
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5  %6")
                       .arg(file->getId(), 6)
                       .arg(numberText(file->isSizeNull(), file->getSizeAsInt64()), 12)
                       .arg(numberText(noDuration, duration), 10)
                       .arg(file->getPlayCountAsInt64(), 5)
                       .arg(file->getTitle(), -24)
                       .arg(VireoStudio::displayUrl(file->getUri())));
    }
    if (json)
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    return 0;
}
