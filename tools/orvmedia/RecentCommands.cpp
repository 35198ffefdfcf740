// orvmedia played and recent: recording a play as the player does, and the recent list.

#include "Cli.h"
#include "CommandLine.h"
#include "HostTransaction.h"
#include "HumanFormat.h"
#include "MediaFiles.h"
#include "PlayRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef M::TitlePosition TitlePosition;

// "--title N --audio A --sub S --pos MS" groups, in the order given: each --title starts a
// position; a --pos before any --title gives title 0. An audio or subtitle track belongs to a
// title, so --audio and --sub before any --title are refused.
bool readPositions(const CommandLine& line, M::TitlePositionList* positions, QString* error) {
    for (const auto& [option, text] : line.optionsInOrder()) {
        qint64 number = 0;
        parseWholeNumber(text, &number); // checked while parsing
        if (option == QLatin1String("title")) {
            positions->append(TitlePosition());
            positions->last().titleId = number;
            continue;
        }
        if (positions->isEmpty()) {
            if (option != QLatin1String("pos")) {
                *error =
                    QStringLiteral("--%1 belongs to a title: give --title N before it").arg(option);
                return false;
            }
            positions->append(TitlePosition());
            positions->last().titleId = 0;
        }
        TitlePosition& current = positions->last();
        if (option == QLatin1String("audio"))
            current.audioTrackId = number;
        else if (option == QLatin1String("sub"))
            current.subtitleTrackId = number;
        else
            current.positionMsecs = number;
    }
    return true;
}

QString valueText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("-") : value.toString();
}

QString positionText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("-") : formatDuration(value.toLongLong());
}

QJsonValue jsonNumber(const QVariant& value) {
    return value.isNull() ? QJsonValue() : QJsonValue(value.toLongLong());
}

} // namespace

int runPlayed(Cli& cli, const QStringList& args) {
    CommandLine line(
        QStringLiteral("orvmedia played URL [--pos MS] [--title N --audio A --sub S --pos MS]..."),
        QStringLiteral(
            "Records a play as the player does: the recent entry of the URL (made when\n"
            "missing) gets the given title positions, in order; each --title starts one, and a\n"
            "--pos before any --title belongs to title 0. When the URL is a video file of the\n"
            "library its play count goes up by one and its last-played time is set."));
    line.addNumber(QStringLiteral("title"), QStringLiteral("N"),
                   QStringLiteral("Starts the position of title N."));
    line.addNumber(QStringLiteral("audio"), QStringLiteral("A"),
                   QStringLiteral("The title's audio track."));
    line.addNumber(QStringLiteral("sub"), QStringLiteral("S"),
                   QStringLiteral("The title's subtitle track."));
    line.addNumber(QStringLiteral("pos"), QStringLiteral("MS"),
                   QStringLiteral("The resume position in milliseconds."));
    line.addArgument(QStringLiteral("url"), QStringLiteral("The URL or local path played."),
                     QStringLiteral("URL"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    const QUrl url = urlFromArgument(line.arguments().first());
    M::TitlePositionList positions;
    QString error;
    if (!readPositions(line, &positions, &error))
        return Cli::fail(error);
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    if (!recordPlay(library, url, positions, &error))
        return Cli::fail(error);
    return 0;
}

int runRecent(Cli& cli, const QStringList& args) {
    CommandLine line(QStringLiteral("orvmedia recent [--json]"),
                     QStringLiteral("The recent list, newest first, with every title position."));
    line.addFlag(QStringLiteral("json"), QStringLiteral("Prints a JSON array instead, positions "
                                                        "in milliseconds."));
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("recent takes no arguments but --json"));
    const bool json = line.isSet(QStringLiteral("json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const HostTransaction reading(library);
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
            row.insert(QStringLiteral("url"), displayUrl(entry->getUri()));
            row.insert(QStringLiteral("nodeId"), entry->isNodeIdNull()
                                                     ? QJsonValue()
                                                     : QJsonValue(qint64(entry->getNodeId())));
            row.insert(QStringLiteral("positions"), titles);
            rows.append(row);
            continue;
        }
        Cli::print(QStringLiteral("%1  %2%3")
                       .arg(entry->getId(), 4)
                       .arg(displayUrl(entry->getUri()))
                       .arg(entry->isNodeIdNull()
                                ? QString()
                                : QStringLiteral("  (file %1)").arg(entry->getNodeId())));
        for (const TitlePosition& p : positions)
            Cli::print(QStringLiteral("      title %1  audio %2  subtitle %3  at %4")
                           .arg(valueText(p.titleId), valueText(p.audioTrackId),
                                valueText(p.subtitleTrackId), positionText(p.positionMsecs)));
    }
    if (json)
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
    return 0;
}
