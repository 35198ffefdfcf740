#pragma once

// One row of the window's table: what the library holds of one item of a playlist, copied out
// of its row objects, which are released at once. A record is read by position in a playlist,
// or by node id for a search's results.

#include "MediaManagerInterface.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

// What a list holds, which decides how its items are read and which columns it shows.
enum class ListKind {
    Files,    // video files: the built-in lists of files and the user playlists
    Recent,   // the recently played list, with resume positions
    Queue,    // the download queue, with status and percent
    Acquired, // content acquired from a provider
};

ListKind listKindOf(int playlistType);

struct ItemRecord {
    bool valid = false; // false: the position holds nothing the library can read
    quint64 nodeId = 0; // 0: the item has no file of the library (a recent URL alone)
    QUrl url;
    QString title; // the title, else the name, else the URL
    QString name;
    QString description;
    qint64 durationMs = -1; // -1: not known
    qint64 size = -1;
    qint64 plays = -1;
    qint64 rating = -1;
    QDateTime added;
    QDateTime lastPlayed;
    // The recently played list.
    quint64 recentId = 0;
    VireoStudio::MediaManagerInterface::TitlePositionList positions;
    // Downloads.
    int status = -1;
    qint64 percent = -1;
    QUrl downloadUrl;
    QString provider;

    // The local path of the file, empty for a URL of another scheme.
    QByteArray localPath() const;
};

// The item at position of playlist, read as kind says.
ItemRecord readItemAt(VireoStudio::MediaManagerInterface* library,
                      VireoStudio::MediaManagerInterface::PlaylistInterface* playlist,
                      ListKind kind, quint64 position);
// The file of a node id, for a list of kind (a search's results); the recent list adds the
// entry of its URL.
ItemRecord readItemOf(VireoStudio::MediaManagerInterface* library, ListKind kind, quint64 nodeId);

// "Waiting", "Finished", "Stalled" or "Status N" for a download status.
QString downloadStatusName(int status);
// The resume positions of a recent entry: one title's as H:MM:SS, several as
// "title 1 at 0:10:00, title 2 at 0:00:35".
QString resumeText(const VireoStudio::MediaManagerInterface::TitlePositionList& positions);
