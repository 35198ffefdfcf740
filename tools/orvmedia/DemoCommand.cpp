// orvmedia demo: a small sample library, made the way the player makes one, then shown.
// Running it again adds nothing that is there already.

#include "Cli.h"
#include "CommandLine.h"
#include "HeldRow.h"

#include <QDateTime>

namespace {

typedef VireoStudio::MediaManagerInterface M;

struct SampleVideo {
    const char* url;
    const char* title;
    quint64 size;
    quint64 duration; // milliseconds
};

const SampleVideo kVideos[] = {
    {"file:///home/demo/Videos/Harbour%20at%20Dawn.mkv", "Harbour at Dawn", 734003200, 5412000},
    {"file:///home/demo/Videos/The%20Long%20Road.mp4", "The Long Road", 1288490188, 7260000},
    {"file:///home/demo/Videos/Night%20Market.avi", "Night Market", 367001600, 1800000},
    {"file:///home/demo/Videos/Glacier%20Walk.mkv", "Glacier Walk", 524288000, 2700000},
    {"file:///home/demo/Videos/Lighthouse%20Keeper.mp4", "Lighthouse Keeper", 943718400, 6120000},
    {"file:///home/demo/Videos/Desert%20Bloom.mkv", "Desert Bloom", 209715200, 1260000},
    {"file:///home/demo/Videos/City%20Lights.mp4", "City Lights", 1073741824, 5880000},
    {"file:///home/demo/Videos/Paper%20Boats.avi", "Paper Boats", 157286400, 960000},
    {"http://media.example.com/films/Orchard.mp4", "The Orchard", 838860800, 5040000},
    {"http://media.example.com/films/Stone%20Bridge.mkv", "Stone Bridge", 650117120, 4380000},
    {"file:///home/demo/Videos/Tidal%20Pools.mkv", "Tidal Pools", 314572800, 1500000},
    {"file:///home/demo/Videos/Winter%20Choir.mp4", "Winter Choir", 471859200, 3300000},
};

struct SamplePlaylist {
    const char* name;
    int videos[5]; // indexes into kVideos, -1 ends the list
};

const SamplePlaylist kPlaylists[] = {
    {"Evening Films", {1, 4, 6, 8, -1}},
    {"Short Ones", {2, 5, 7, 10, -1}},
};

struct SamplePlay {
    int video;
    M::TitlePositionList positions;
};

M::TitlePosition at(int title, int audio, int subtitle, qint64 msecs) {
    M::TitlePosition position;
    position.titleId = title;
    position.audioTrackId = audio;
    position.subtitleTrackId = subtitle;
    position.positionMsecs = msecs;
    return position;
}

bool addVideos(M* library, QList<quint64>* ids) {
    for (const SampleVideo& sample : kVideos) {
        const QUrl url(QString::fromLatin1(sample.url));
        Held<M::MediaFileInterface> existing;
        if (library->findMediaFile(url, existing.out())) {
            ids->append(existing->getId());
            continue;
        }
        Held<M::VideoFileInterface> file;
        if (!library->newVideoFile(url, QString::fromLatin1(sample.title), sample.size,
                                   sample.duration, file.out()) ||
            !file->save())
            return false;
        ids->append(file->getId());
    }
    return true;
}

bool addPlaylists(M* library, const QList<quint64>& ids) {
    for (const SamplePlaylist& sample : kPlaylists) {
        const QString name = QString::fromLatin1(sample.name);
        Held<M::PlaylistInterface> playlist;
        if (!library->findPlaylist(name, playlist.out())) {
            if (!library->newPlaylist(name, 1, playlist.out()) || !playlist->save())
                return false;
        }
        for (const int* video = sample.videos; *video >= 0; ++video) {
            const quint64 id = ids.at(*video);
            if (!playlist->containsNode(id) && !playlist->insertNodeAt(quint64(-1), id))
                return false;
        }
    }
    return true;
}

bool addPlays(M* library) {
    const SamplePlay plays[] = {
        {0, {at(0, 1, 0, 1820000)}},
        {4, {at(0, 2, 1, 4400000)}},
        {6, {at(1, 1, 0, 600000), at(2, 1, 2, 35000), at(3, 0, 0, 0)}},
        {8, {at(0, 1, 0, 5039000)}},
    };
    for (const SamplePlay& play : plays) {
        const QUrl url(QString::fromLatin1(kVideos[play.video].url));
        Held<M::RecentFileInterface> entry;
        if (library->findRecentFile(url, entry.out()))
            continue; // played in an earlier run
        if (!library->newRecentFile(url, entry.out()))
            return false;
        entry->setPositions(play.positions);
        if (!entry->save())
            return false;
        Held<M::MediaFileInterface> media;
        if (library->findMediaFile(url, media.out())) {
            media->setPlayCount(media->getPlayCountAsInt64() + 1);
            media->setLastPlayed(QDateTime::currentDateTime());
            if (!media->save())
                return false;
        }
    }
    return true;
}

struct SampleDownload {
    const char* url;
    const char* title;
    const char* downloadUrl;
    int status;
    qint64 percent;
    const char* tempUrl;
};

// One finished download and one that a stopped player left half-way ("stalled").
const SampleDownload kDownloads[] = {
    {"vireo_vod_file://DEMO-7781", "Coastline Documentary", "http://store.example.com/get/7781", 4,
     100, nullptr},
    {"vireo_vod_file://DEMO-7782", "Mountain Rescue", "http://store.example.com/get/7782", 6, 35,
     "file:///tmp/orvmedia-demo/DEMO-7782.ddat"},
};

bool addAcquiredContent(M* library) {
    const QUrl url(QStringLiteral("file:///home/demo/Videos/Festival%20Highlights.mp4"));
    Held<M::AcquiredFileInterface> acquired;
    if (!library->findAcquiredFile(url, acquired.out())) {
        if (!library->newAcquiredFile(url, QStringLiteral("Festival Highlights"), 9001,
                                      acquired.out()))
            return false;
        acquired->setContentProvider(QStringLiteral("Demo Provider"));
        if (!acquired->save())
            return false;
    }
    for (const SampleDownload& sample : kDownloads) {
        const QUrl contentUrl(QString::fromLatin1(sample.url), QUrl::TolerantMode);
        Held<M::AcquiredFileInterface> existing;
        if (library->findAcquiredFile(contentUrl, existing.out()))
            continue;
        Held<M::QueuedFileInterface> download;
        if (!library->newQueuedFile(contentUrl, QString::fromLatin1(sample.title),
                                    QUrl(QString::fromLatin1(sample.downloadUrl)), download.out()))
            return false;
        download->setDownloadStatus(sample.status);
        download->setPercentComplete(sample.percent);
        if (sample.tempUrl)
            download->setTempUri(QUrl(QString::fromLatin1(sample.tempUrl)));
        if (!download->save())
            return false;
    }
    return true;
}

} // namespace

int runDemo(Cli& cli, const QStringList& args) {
    CommandLine line("orvmedia demo",
                     "Adds a dozen video files, two user playlists, a few plays with resume\n"
                     "positions, an acquired file and two downloads (one finished, one "
                     "interrupted),\nthen prints info, ls, playlists, recent and queue. Running "
                     "it again adds\nnothing that is there already.");
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("demo takes no arguments"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    QList<quint64> ids;
    if (!addVideos(library, &ids))
        return Cli::fail(QStringLiteral("the sample video files could not be stored"));
    if (!addPlaylists(library, ids))
        return Cli::fail(QStringLiteral("the sample playlists could not be stored"));
    if (!addPlays(library))
        return Cli::fail(QStringLiteral("the sample plays could not be stored"));
    if (!addAcquiredContent(library))
        return Cli::fail(QStringLiteral("the sample downloads could not be stored"));

    for (const auto& [title, run] :
         {std::make_pair("info", runInfo), std::make_pair("ls", runLs),
          std::make_pair("playlists", runPlaylists), std::make_pair("recent", runRecent),
          std::make_pair("queue", runQueue)}) {
        Cli::print(QStringLiteral("\n== orvmedia %1").arg(QLatin1String(title)));
        if (run(cli, QStringList()) != 0)
            return 1;
    }
    return 0;
}
