// orvmedia playlists and orvmedia playlist ...: the playlist catalogue and one playlist's items.

#include "Args.h"
#include "Cli.h"
#include "MediaFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const int kUserType = M::PLAYLIST_TYPE_USER;
const int kBuiltInTypes[] = {1, 2, 3, 4, M::PLAYLIST_TYPE_QUEUE, M::PLAYLIST_TYPE_ACQUIRED};

QString displayName(M::PlaylistInterface* playlist) {
    if (!playlist->isNameNull())
        return playlist->getName();
    switch (playlist->getPlaylistType()) {
    case 1:
        return QStringLiteral("(all files)");
    case 2:
        return QStringLiteral("(video files)");
    case M::PLAYLIST_TYPE_QUEUE:
        return QStringLiteral("(download queue)");
    case M::PLAYLIST_TYPE_ACQUIRED:
        return QStringLiteral("(acquired)");
    default:
        return QStringLiteral("(built-in type %1)").arg(playlist->getPlaylistType());
    }
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

// A playlist named by name or, failing that, by id.
bool findPlaylistArg(M* library, const QString& nameOrId, Held<M::PlaylistInterface>& playlist) {
    if (library->findPlaylist(nameOrId, playlist.out()))
        return true;
    quint64 id = 0;
    return parseNumber(nameOrId, &id) && library->getPlaylist(id, playlist.out());
}

} // namespace

int runPlaylists(Cli& cli, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (!args.isEmpty())
        return Cli::fail(QStringLiteral("playlists takes no arguments but --json"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;

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

int playlistNew(M* library, const QStringList& args) {
    if (args.size() != 1 || args.first().isEmpty())
        return Cli::fail(QStringLiteral("usage: orvmedia playlist new NAME"));
    Held<M::PlaylistInterface> playlist;
    if (!library->newPlaylist(args.first(), 1, playlist.out()))
        return Cli::fail(QStringLiteral("a playlist named '%1' exists already").arg(args.first()));
    if (!library->addPlaylist(playlist.get()))
        return Cli::fail(QStringLiteral("the playlist '%1' could not be stored").arg(args.first()));
    Cli::print(QString::number(playlist->getId()));
    return 0;
}

int playlistRename(M* library, const QStringList& args) {
    if (args.size() != 2 || args.at(1).isEmpty())
        return Cli::fail(QStringLiteral("usage: orvmedia playlist rename NAME NEW"));
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (playlist->getPlaylistType() != kUserType)
        return Cli::fail(QStringLiteral("built-in playlists cannot be renamed"));
    if (!playlist->setName(args.at(1)))
        return Cli::fail(QStringLiteral("a playlist named '%1' exists already").arg(args.at(1)));
    return 0;
}

int playlistRemove(M* library, const QStringList& args) {
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: orvmedia playlist rm NAME|ID"));
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (playlist->getPlaylistType() != kUserType)
        return Cli::fail(QStringLiteral("built-in playlists cannot be removed"));
    if (!playlist->remove())
        return Cli::fail(QStringLiteral("the playlist '%1' could not be removed").arg(args.at(0)));
    return 0;
}

int playlistShow(M* library, const QStringList& args) {
    if (args.size() != 1)
        return Cli::fail(QStringLiteral("usage: orvmedia playlist show NAME|ID"));
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
        Cli::print(QStringLiteral("%1  %2  %3  %4")
                       .arg(position, 4)
                       .arg(file->getId(), 6)
                       .arg(file->getTitle())
                       .arg(VireoStudio::displayUrl(file->getUri())));
    }
    Cli::print(QStringLiteral("total size %1, total duration %2")
                   .arg(playlist->getTotalSize())
                   .arg(playlist->getTotalDuration()));
    return 0;
}

// Sort keys by name, as the sort flags spell them.
const struct {
    const char* name;
    int key;
} kSortKeys[] = {{"uri", 4},   {"name", 8},   {"created", 12},
                 {"size", 16}, {"title", 20}, {"duration", 24}};

int playlistSort(M* library, const QStringList& arguments) {
    QStringList args = arguments;
    const bool descending = takeFlag(args, QStringLiteral("--desc"));
    const bool manual = takeFlag(args, QStringLiteral("--manual"));
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
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (!playlist->isSortable())
        return Cli::fail(QStringLiteral("'%1' cannot be sorted").arg(args.at(0)));
    if (!playlist->sort(flags))
        return Cli::fail(QStringLiteral("'%1' could not be sorted").arg(args.at(0)));
    return 0;
}

int playlistFind(M* library, const QStringList& args) {
    if (args.size() != 2)
        return Cli::fail(QStringLiteral("usage: orvmedia playlist find NAME PATTERN"));
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
                       .arg(VireoStudio::displayUrl(file->getUri())));
    return 0;
}

int playlistAdd(M* library, const QStringList& arguments) {
    QStringList args = arguments;
    QString at, error;
    const bool positioned = takeValue(args, QStringLiteral("--at"), &at, &error);
    if (!error.isEmpty())
        return Cli::fail(error);
    quint64 position = quint64(-1); // past the end: appended
    if (args.size() != 2 || (positioned && !parseNumber(at, &position)))
        return Cli::fail(QStringLiteral("usage: orvmedia playlist add NAME URL|ID [--at POS]"));
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    Held<M::MediaFileInterface> file;
    if (!findMediaFileArg(library, args.at(1), file))
        return Cli::fail(
            QStringLiteral("no video file '%1' in the library (add it first)").arg(args.at(1)));
    if (!playlist->insertNodeAt(position, file->getId()))
        return Cli::fail(
            QStringLiteral("'%1' could not be added to '%2'").arg(args.at(1), args.at(0)));
    return 0;
}

int playlistRemoveAt(M* library, const QStringList& args) {
    quint64 position = 0;
    if (args.size() != 2 || !parseNumber(args.at(1), &position))
        return Cli::fail(QStringLiteral("usage: orvmedia playlist remove NAME POS"));
    Held<M::PlaylistInterface> playlist;
    if (!findPlaylistArg(library, args.at(0), playlist))
        return Cli::fail(QStringLiteral("no playlist named '%1'").arg(args.at(0)));
    if (!playlist->removeAt(position))
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
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    if (sub == QLatin1String("new"))
        return playlistNew(library, args);
    if (sub == QLatin1String("rename"))
        return playlistRename(library, args);
    if (sub == QLatin1String("rm"))
        return playlistRemove(library, args);
    if (sub == QLatin1String("show"))
        return playlistShow(library, args);
    if (sub == QLatin1String("sort"))
        return playlistSort(library, args);
    if (sub == QLatin1String("find"))
        return playlistFind(library, args);
    if (sub == QLatin1String("add"))
        return playlistAdd(library, args);
    if (sub == QLatin1String("remove"))
        return playlistRemoveAt(library, args);
    return Cli::fail(QStringLiteral("unknown playlist subcommand '%1'").arg(sub));
}
