// orvmedia playlists and orvmedia playlist ...: the playlist catalogue and one playlist's items.

#include "Cli.h"
#include "CommandLine.h"
#include "HostTransaction.h"
#include "HumanFormat.h"
#include "MediaFiles.h"
#include "PlaylistNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const int kUserType = M::PLAYLIST_TYPE_USER;
const int kBuiltInTypes[] = {1, 2, 3, 4, M::PLAYLIST_TYPE_QUEUE, M::PLAYLIST_TYPE_ACQUIRED};

// A user playlist's name; a built-in one's in parentheses, in lower case.
QString displayName(M::PlaylistInterface* playlist) {
    if (!playlist->isNameNull())
        return playlist->getName();
    return QStringLiteral("(%1)").arg(builtInPlaylistName(playlist->getPlaylistType()).toLower());
}

QJsonObject describe(M::PlaylistInterface* playlist) {
    QJsonObject object;
    object.insert(QStringLiteral("id"), qint64(playlist->getId()));
    object.insert(QStringLiteral("type"), playlist->getPlaylistType());
    object.insert(QStringLiteral("name"), playlist->isNameNull() ? QJsonValue(QJsonValue::Null)
                                                                 : QJsonValue(playlist->getName()));
    object.insert(QStringLiteral("items"), playlist->getItemCount());
    object.insert(QStringLiteral("sortFlags"), playlist->getSortFlags().value);
    return object;
}

const char kGroupUsage[] =
    "orvmedia playlist new NAME          a new, empty user playlist; prints its id\n"
    "orvmedia playlist rename NAME NEW   renames a user playlist\n"
    "orvmedia playlist rm NAME|ID        removes a user playlist\n"
    "orvmedia playlist show NAME|ID      the playlist's items in play order\n"
    "orvmedia playlist add NAME URL|ID [--at POS]\n"
    "                                    puts a video file at POS (default: last)\n"
    "orvmedia playlist remove NAME POS   removes the item at POS (from 0)\n"
    "orvmedia playlist sort NAME uri|name|created|size|title|duration [--desc]\n"
    "orvmedia playlist sort NAME --manual\n"
    "                                    reorders the items, or keeps them as they are\n"
    "orvmedia playlist find NAME PATTERN the items whose URL matches a GLOB pattern\n"
    "  Names are unique without regard to letter case; built-in playlists can be shown\n"
    "  but not renamed or removed. orvmedia playlist SUBCOMMAND --help tells more.";

// The NAME (or NAME|ID) argument every playlist subcommand begins with.
void addPlaylistArgument(CommandLine& line) {
    line.addArgument(QStringLiteral("name"), QStringLiteral("The playlist's name (or id)."),
                     QStringLiteral("NAME"));
}

} // namespace

int runPlaylists(Cli& cli, const QStringList& args) {
    CommandLine line(QStringLiteral("orvmedia playlists [--json]"),
                     QStringLiteral("Lists the built-in playlists, then the user playlists in "
                                    "name order: id, type,\nitem count, sort flags and name."));
    line.addFlag(QStringLiteral("json"), QStringLiteral("Prints a JSON array instead."));
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("playlists takes no arguments but --json"));
    const bool json = line.isSet(QStringLiteral("json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const HostTransaction reading(library);

    QJsonArray rows;
    auto add = [&](int type, quint64 index) {
        Held<M::PlaylistInterface> playlist;
        if (!library->getPlaylistAt(type, index, playlist.out()))
            return;
        rows.append(describe(playlist.get()));
    };
    for (int type : kBuiltInTypes)
        add(type, 0);
    const qint64 users = library->getPlaylistCount(kUserType);
    for (qint64 i = 0; i < users; ++i)
        add(kUserType, quint64(i));

    if (json) {
        Cli::print(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
        return 0;
    }
    Cli::print(QStringLiteral("%1 %2 %3 %4  %5")
                   .arg(QStringLiteral("ID"), 5)
                   .arg(QStringLiteral("TYPE"), 4)
                   .arg(QStringLiteral("ITEMS"), 6)
                   .arg(QStringLiteral("SORT"), 4)
                   .arg(QStringLiteral("NAME")));
    for (const QJsonValue& value : rows) {
        const QJsonObject row = value.toObject();
        Held<M::PlaylistInterface> playlist;
        library->getPlaylist(quint64(row.value("id").toInteger()), playlist.out());
        Cli::print(QStringLiteral("%1 %2 %3 %4  %5")
                       .arg(row.value("id").toInteger(), 5)
                       .arg(row.value("type").toInt(), 4)
                       .arg(row.value("items").toInteger(), 6)
                       .arg(row.value("sortFlags").toInt(), 4)
                       .arg(playlist ? displayName(playlist.get()) : QString()));
    }
    return 0;
}

namespace {

int playlistNew(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist new NAME",
                     "Makes a new, empty user playlist and prints its id.");
    addPlaylistArgument(line);
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 1 || args.first().isEmpty())
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!library->newPlaylist(args.first(), 1, playlist.out()))
        return Cli::fail(QStringLiteral("a playlist named '%1' exists already").arg(args.first()));
    if (!library->addPlaylist(playlist.get()))
        return Cli::fail(QStringLiteral("the playlist '%1' could not be stored").arg(args.first()));
    Cli::print(QString::number(playlist->getId()));
    return 0;
}

int playlistRename(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist rename NAME NEW", "Renames a user playlist.");
    addPlaylistArgument(line);
    line.addArgument(QStringLiteral("new"), QStringLiteral("The new name."), QStringLiteral("NEW"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 2 || args.at(1).isEmpty())
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (playlist->getPlaylistType() != kUserType)
        return Cli::fail(QStringLiteral("built-in playlists cannot be renamed"));
    if (!playlist->setName(args.at(1)))
        return Cli::fail(QStringLiteral("a playlist named '%1' exists already").arg(args.at(1)));
    return 0;
}

int playlistRemove(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist rm NAME|ID", "Removes a user playlist.");
    addPlaylistArgument(line);
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (playlist->getPlaylistType() != kUserType)
        return Cli::fail(QStringLiteral("built-in playlists cannot be removed"));
    if (!playlist->remove())
        return Cli::fail(QStringLiteral("the playlist '%1' could not be removed").arg(args.at(0)));
    return 0;
}

int playlistShow(Cli& cli, const QStringList& words) {
    CommandLine line(
        "orvmedia playlist show NAME|ID",
        "The playlist's items in play order: position, id, duration, title and URL, then\n"
        "the total size and duration.");
    addPlaylistArgument(line);
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    const HostTransaction reading(library);
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    const qint64 items = playlist->getItemCount();
    Cli::print(QStringLiteral("%1 (id %2, type %3, %4 items)")
                   .arg(displayName(playlist.get()))
                   .arg(playlist->getId())
                   .arg(playlist->getPlaylistType())
                   .arg(items));
    for (qint64 position = 0; position < items; ++position) {
        Held<M::MediaFileInterface> media;
        Held<M::AcquiredFileInterface> acquired;
        M::MediaFileInterface* file = nullptr;
        if (playlist->getMediaFileAt(quint64(position), media.out()))
            file = media.get();
        else if (playlist->getAcquiredFileAt(quint64(position), acquired.out()))
            file = acquired.get();
        if (!file) {
            Cli::print(QStringLiteral("%1  (not a file of the library)").arg(position, 4));
            continue;
        }
        auto* video = dynamic_cast<M::VideoFileInterface*>(file);
        Cli::print(QStringLiteral("%1  %2  %3  %4  %5")
                       .arg(position, 4)
                       .arg(file->getId(), 6)
                       .arg(video && !video->isDurationNull()
                                ? formatDuration(video->getDurationAsInt64())
                                : QStringLiteral("-"),
                            8)
                       .arg(file->getTitle())
                       .arg(displayUrl(file->getUri())));
    }
    Cli::print(QStringLiteral("total size %1, total duration %2")
                   .arg(formatSize(playlist->getTotalSize()))
                   .arg(formatDuration(playlist->getTotalDuration())));
    return 0;
}

// Sort keys by name, as the sort flags spell them.
const struct {
    const char* name;
    int key;
} kSortKeys[] = {{"uri", 4},   {"name", 8},   {"created", 12},
                 {"size", 16}, {"title", 20}, {"duration", 24}};

int playlistSort(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist sort NAME uri|name|created|size|title|duration [--desc]\n"
                     "orvmedia playlist sort NAME --manual",
                     "Reorders the items by a column of their files and keeps that rule, or with\n"
                     "--manual keeps the items as they are.");
    addPlaylistArgument(line);
    line.addArgument(QStringLiteral("key"), QStringLiteral("The column to sort by."),
                     QStringLiteral("KEY"));
    line.addFlag(QStringLiteral("desc"), QStringLiteral("Sorts in descending order."));
    line.addFlag(QStringLiteral("manual"), QStringLiteral("Keeps the order as it is."));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    const bool descending = line.isSet(QStringLiteral("desc"));
    const bool manual = line.isSet(QStringLiteral("manual"));
    int flags = -1;
    if (manual && args.size() == 1 && !descending)
        flags = M::SORT_MANUAL;
    for (const auto& key : kSortKeys) {
        if (!manual && args.size() == 2 && args.at(1) == QLatin1String(key.name))
            flags = key.key | (descending ? M::SORT_DESCENDING : M::SORT_ASCENDING);
    }
    if (flags < 0)
        return Cli::fail(QStringLiteral("usage: orvmedia playlist sort NAME "
                                        "uri|name|created|size|title|duration [--desc], or "
                                        "orvmedia playlist sort NAME --manual"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (!playlist->isSortable())
        return Cli::fail(QStringLiteral("'%1' cannot be sorted").arg(args.at(0)));
    if (!playlist->sort(flags))
        return Cli::fail(QStringLiteral("'%1' could not be sorted").arg(args.at(0)));
    return 0;
}

int playlistFind(Cli& cli, const QStringList& words) {
    CommandLine line(
        "orvmedia playlist find NAME PATTERN",
        "The items whose URL matches a GLOB pattern (* and ? and [...], letter case counts).");
    addPlaylistArgument(line);
    line.addArgument(QStringLiteral("pattern"), QStringLiteral("The GLOB pattern."),
                     QStringLiteral("PATTERN"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 2)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    M::MediaFileList files;
    if (!playlist->findMediaFilesMatching(QUrl(args.at(1), QUrl::TolerantMode), files))
        return Cli::fail(QStringLiteral("'%1' could not be searched").arg(args.at(0)));
    for (const auto& file : files)
        Cli::print(QStringLiteral("%1  %2  %3")
                       .arg(file->getId(), 6)
                       .arg(file->getTitle(), -24)
                       .arg(displayUrl(file->getUri())));
    return 0;
}

int playlistAdd(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist add NAME URL|ID [--at POS]",
                     "Puts a video file of the library into the playlist at "
                     "POS (from 0; default: last).");
    addPlaylistArgument(line);
    line.addArgument(QStringLiteral("file"), QStringLiteral("A URL, a local path or a node id."),
                     QStringLiteral("URL|ID"));
    line.addNumber(QStringLiteral("at"), QStringLiteral("POS"),
                   QStringLiteral("The position to put the file at."));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    if (args.size() != 2)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    // Past the end, when no position is given: appended.
    const quint64 position =
        line.isSet(QStringLiteral("at")) ? quint64(line.number(QStringLiteral("at"))) : quint64(-1);
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    Held<M::MediaFileInterface> file;
    QString error;
    if (!findMediaFileArg(library, args.at(1), file, &error))
        return Cli::fail(error + QStringLiteral(" (add it first)"));
    if (!playlist->insertNodeAt(position, file->getId()))
        return Cli::fail(
            QStringLiteral("'%1' could not be added to '%2'").arg(args.at(1), args.at(0)));
    return 0;
}

int playlistRemoveAt(Cli& cli, const QStringList& words) {
    CommandLine line("orvmedia playlist remove NAME POS", "Removes the item at POS (from 0).");
    addPlaylistArgument(line);
    line.addArgument(QStringLiteral("position"), QStringLiteral("The item's position."),
                     QStringLiteral("POS"));
    if (const auto exit = line.parse(words))
        return *exit;
    const QStringList args = line.arguments();
    qint64 position = 0;
    if (args.size() != 2 || !parseWholeNumber(args.at(1), &position))
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (!playlist->removeAt(quint64(position)))
        return Cli::fail(
            QStringLiteral("'%1' has no item at position %2").arg(args.at(0)).arg(position));
    return 0;
}

} // namespace

int runPlaylist(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    if (args.isEmpty())
        return Cli::fail(
            QStringLiteral("playlist needs a subcommand (see orvmedia playlist --help)"));
    const QString sub = args.takeFirst();
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) {
        Cli::print(QLatin1String(kGroupUsage));
        return 0;
    }
    const struct {
        const char* name;
        int (*run)(Cli&, const QStringList&);
    } subcommands[] = {
        {"new", playlistNew},   {"rename", playlistRename},   {"rm", playlistRemove},
        {"show", playlistShow}, {"sort", playlistSort},       {"find", playlistFind},
        {"add", playlistAdd},   {"remove", playlistRemoveAt},
    };
    for (const auto& subcommand : subcommands) {
        if (sub == QLatin1String(subcommand.name))
            return subcommand.run(cli, args);
    }
    return Cli::fail(QStringLiteral("unknown playlist subcommand '%1'").arg(sub));
}
