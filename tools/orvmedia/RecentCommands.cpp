// orvmedia played and recent: recording a play as the player does, and the recent list.

#include "Args.h"
#include "Cli.h"
#include "MediaFiles.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef M::TitlePosition TitlePosition;

// "--title N --audio A --sub S --pos MS" groups: each --title starts a position; a --pos before
// any --title gives title 0.
bool parsePositions(const QStringList& args, M::TitlePositionList* positions, QString* error) {
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const QString& option = args.at(i);
        quint64 number = 0;
        if (i + 1 >= args.size() || !parseNumber(args.at(i + 1), &number)) {
            *error = QStringLiteral("%1 needs a whole number").arg(option);
            return false;
        }
        if (option == QLatin1String("--title") || positions->isEmpty()) {
            positions->append(TitlePosition());
            positions->last().titleId = option == QLatin1String("--title") ? qint64(number) : 0;
            if (option == QLatin1String("--title"))
                continue;
        }
        TitlePosition& current = positions->last();
        if (option == QLatin1String("--audio"))
            current.audioTrackId = qint64(number);
        else if (option == QLatin1String("--sub"))
            current.subtitleTrackId = qint64(number);
        else if (option == QLatin1String("--pos"))
            current.positionMsecs = qint64(number);
        else {
            *error = QStringLiteral("unknown option %1").arg(option);
            return false;
        }
    }
    return true;
}

QString valueText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("-") : value.toString();
}

QJsonValue jsonNumber(const QVariant& value) {
    return value.isNull() ? QJsonValue() : QJsonValue(value.toLongLong());
}

} // namespace

int runPlayed(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--")))
        return Cli::fail(QStringLiteral("usage: orvmedia played URL [--pos MS] "
                                        "[--title N --audio A --sub S --pos MS]..."));
    const QUrl url = urlArgument(args.takeFirst());
    M::TitlePositionList positions;
    QString error;
    if (!parsePositions(args, &positions, &error))
        return Cli::fail(error);
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    Held<M::RecentFileInterface> entry;
    if (!library->findRecentFile(url, entry.out()) && !library->newRecentFile(url, entry.out()))
        return Cli::fail(
            QStringLiteral("no recent entry can be made for %1").arg(VireoStudio::displayUrl(url)));
    entry->setPositions(positions);
    if (!entry->save())
        return Cli::fail(
            QStringLiteral("the play of %1 could not be stored").arg(VireoStudio::displayUrl(url)));

    Held<M::MediaFileInterface> media;
    if (library->findMediaFile(url, media.out())) {
        if (auto* video = dynamic_cast<M::VideoFileInterface*>(media.get())) {
            video->setPlayCount(video->getPlayCountAsInt64() + 1);
            video->setLastPlayed(QDateTime::currentDateTime());
            if (!video->save())
                return Cli::fail(QStringLiteral("the play count of %1 could not be stored")
                                     .arg(VireoStudio::displayUrl(url)));
        }
    }
    return 0;
}

int runRecent(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("recent takes no arguments but --json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    quint64 entries = 0;
    if (!library->getRecentFileCount(&entries))
        return Cli::fail(QStringLiteral("the recent list cannot be read"));
    QJsonArray rows;
    for (quint64 index = 0; index < entries; ++index) {
        Held<M::RecentFileInterface> entry;
        if (!library->getRecentFileAt(index, entry.out()))
            continue;
        const M::TitlePositionList positions = entry->getPositions();
        if (json) {
            QJsonArray titles;
            for (const TitlePosition& p : positions) {
                QJsonObject title;
                title.insert(QStringLiteral("title"), jsonNumber(p.titleId));
                title.insert(QStringLiteral("audio"), jsonNumber(p.audioTrackId));
                title.insert(QStringLiteral("subtitle"), jsonNumber(p.subtitleTrackId));
                title.insert(QStringLiteral("positionMsecs"), jsonNumber(p.positionMsecs));
                titles.append(title);
            }
            QJsonObject row;
            row.insert(QStringLiteral("id"), qint64(entry->getId()));
            row.insert(QStringLiteral("url"), VireoStudio::displayUrl(entry->getUri()));
            row.insert(QStringLiteral("nodeId"), entry->isNodeIdNull()
                                                     ? QJsonValue()
                                                     : QJsonValue(qint64(entry->getNodeId())));
            row.insert(QStringLiteral("positions"), titles);
            rows.append(row);
            continue;
        }
        Cli::print(QStringLiteral("%1  %2%3")
                       .arg(entry->getId(), 4)
                       .arg(VireoStudio::displayUrl(entry->getUri()))
                       .arg(entry->isNodeIdNull()
                                ? QString()
                                : QStringLiteral("  (file %1)").arg(entry->getNodeId())));
        for (const TitlePosition& p : positions)
            Cli::print(QStringLiteral("      title %1  audio %2  subtitle %3  at %4 ms")
                           .arg(valueText(p.titleId), valueText(p.audioTrackId),
                                valueText(p.subtitleTrackId), valueText(p.positionMsecs)));
    }
    if (json)
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    return 0;
}
