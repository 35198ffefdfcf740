#include "LibraryTemplates.h"

#include "HostedLibrary.h"
#include "RawSqlite.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

namespace {

const char kInsertNode[] = "INSERT INTO node (node_id, uri, name) VALUES (?1, ?2, ?3)";
const char kInsertMediaFile[] =
    "INSERT INTO media_file (node_id, media_file_type, size, title) VALUES (?1, 1, ?2, ?3)";
const char kInsertVideoFile[] = "INSERT INTO video_file (node_id, duration) VALUES (?1, ?2)";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (?1, ?2, ?3)";
const char kPlaylistOfType[] = "SELECT playlist_id FROM playlist WHERE playlist_type = ?1";
const char kInsertUserPlaylist[] = "INSERT INTO playlist (name, playlist_type, media_file_type, "
                                   "sort_flags) VALUES (?1, 255, 1, 2)";

QTemporaryDir& templateFolder() {
    static QTemporaryDir folder;
    return folder;
}

qint64 playlistOfType(RawLibrary& db, int type) {
    RawStatement select(db.handle(), kPlaylistOfType);
    select.bind(1, qint64(type));
    require(select.row(), "built-in playlist");
    return select.integer(0);
}

} // namespace

QString videoUri(qint64 i) {
    return QStringLiteral("file:///home/viewer/Videos/Library/clip-%1.mkv")
        .arg(i, 6, 10, QLatin1Char('0'));
}

QString videoName(qint64 i) {
    return QStringLiteral("clip-%1.mkv").arg(i, 6, 10, QLatin1Char('0'));
}

QString newLibraryTemplate() {
    static QString path;
    if (path.isEmpty()) {
        LibraryFolder folder;
        { HostedLibrary library(folder); }
        path = templateFolder().path() + QStringLiteral("/new.library");
        require(QFile::copy(folder.libraryPath(), path), "new library template");
    }
    return path;
}

QString filledLibraryTemplate(qint64 files, qint64 userItems) {
    static QMap<QPair<qint64, qint64>, QString> made;
    const auto key = qMakePair(files, userItems);
    if (made.contains(key))
        return made.value(key);
    const QString path =
        templateFolder().path() + QStringLiteral("/filled-%1-%2.library").arg(files).arg(userItems);
    require(QFile::copy(newLibraryTemplate(), path), "filled library template");
    {
        RawLibrary db(path);
        db.exec("BEGIN");
        const qint64 all = playlistOfType(db, 1);
        const qint64 videos = playlistOfType(db, 2);
        RawStatement node(db.handle(), kInsertNode);
        RawStatement media(db.handle(), kInsertMediaFile);
        RawStatement video(db.handle(), kInsertVideoFile);
        RawStatement item(db.handle(), kInsertItem);
        for (qint64 i = 1; i <= files; ++i) {
            node.bind(1, i).bind(2, videoUri(i)).bind(3, videoName(i)).run();
            media.bind(1, i).bind(2, 1000000 + i).bind(3, QStringLiteral("Clip %1").arg(i)).run();
            video.bind(1, i).bind(2, 60000 + i).run();
            item.bind(1, all).bind(2, i).bind(3, i - 1).run();
            item.bind(1, videos).bind(2, i).bind(3, i - 1).run();
        }
        if (userItems > 0) {
            RawStatement playlist(db.handle(), kInsertUserPlaylist);
            playlist.bind(1, QLatin1String(kBenchListName)).run();
            const qint64 user = db.lastInsertId();
            for (qint64 i = 1; i <= userItems; ++i)
                item.bind(1, user).bind(2, i).bind(3, i - 1).run();
        }
        db.exec("COMMIT");
    }
    made.insert(key, path);
    return path;
}
