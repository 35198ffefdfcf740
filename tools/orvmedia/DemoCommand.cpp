// orvmedia demo: a small sample library, made the way the player makes one, then shown. Its
// local files are real: short painted clips beside the library file, with their thumbnails.
// Running it again adds nothing that is there already.

#include "Cli.h"
#include "CommandLine.h"
#include "DemoClips.h"
#include "FileUrls.h"
#include "HeldRow.h"
#include "ProgressLine.h"
#include "ThumbnailRun.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

typedef VireoStudio::MediaManagerInterface M;

// A sample video: a local file of the demo's folder (painted and written by the demo) or a URL
// of another scheme, stored as it is.
struct SampleVideo {
    const char* file; // the file's name in the demo folder, or a URL with a scheme
    const char* title;
    quint64 size;
    quint64 duration; // milliseconds
    DemoScene scene;
};

const SampleVideo kVideos[] = {
    {"Harbour at Dawn.mkv",
     "Harbour at Dawn",
     734003200,
     5412000,
     {0x2b3a67, 0xf7a072, 0xffe3a3, 0x2f4b6e, 0.35, 0.15, true}},
    {"The Long Road.mp4",
     "The Long Road",
     1288490188,
     7260000,
     {0x5d8ccf, 0xd8e6f0, 0xfff6d5, 0x8b6f47, 0.7, 0.7, false}},
    {"Night Market.avi",
     "Night Market",
     367001600,
     1800000,
     {0x0b0d2b, 0x3a2a5c, 0xf2e9c9, 0x1c1b33, 0.8, 0.75, false}},
    {"Glacier Walk.mkv",
     "Glacier Walk",
     524288000,
     2700000,
     {0x7fb2e5, 0xe9f4fb, 0xffffff, 0xcfe3ef, 0.25, 0.6, false}},
    {"Lighthouse Keeper.mp4",
     "Lighthouse Keeper",
     943718400,
     6120000,
     {0x1f2f4f, 0x8a6e8f, 0xffd38a, 0x203040, 0.6, 0.1, true}},
    {"Desert Bloom.mkv",
     "Desert Bloom",
     209715200,
     1260000,
     {0xf2b05e, 0xfde2b0, 0xfff3c4, 0xc0763a, 0.5, 0.55, false}},
    {"City Lights.mp4",
     "City Lights",
     1073741824,
     5880000,
     {0x141e3c, 0x6b3f69, 0xffb86b, 0x26233f, 0.2, 0.05, true}},
    {"Paper Boats.avi",
     "Paper Boats",
     157286400,
     960000,
     {0x9cc9e8, 0xf3f7f0, 0xfffbe0, 0x3f7d96, 0.45, 0.5, true}},
    {"http://media.example.com/films/Orchard.mp4", "The Orchard", 838860800, 5040000, {}},
    {"http://media.example.com/films/Stone%20Bridge.mkv", "Stone Bridge", 650117120, 4380000, {}},
    {"Tidal Pools.mkv",
     "Tidal Pools",
     314572800,
     1500000,
     {0x4a90c2, 0xbfe0e8, 0xfff1c1, 0x21616f, 0.75, 0.4, true}},
    {"Winter Choir.mp4",
     "Winter Choir",
     471859200,
     3300000,
     {0x39476b, 0xb9b4c9, 0xf6efe6, 0xe6e9f0, 0.3, 0.3, false}},
};

// The acquired sample, a local file too.
const SampleVideo kAcquired = {"Festival Highlights.mp4",
                               "Festival Highlights",
                               0,
                               0,
                               {0xd1495b, 0xedae49, 0xfff0b3, 0x00798c, 0.55, 0.3, true}};

// The folder of the sample files: beside the library file.
QByteArray demoFolder() {
    return absolutePath(
        QFile::encodeName(QFileInfo(Cli::libraryPath()).absolutePath() + "/Demo Videos"));
}

// The sample's URL: a URL as given, or the file:// URL of its file in the demo folder.
QUrl urlOf(const SampleVideo& sample) {
    const QString file = QString::fromLatin1(sample.file);
    if (isUrlText(file))
        return QUrl(file);
    return fileUrlFromPath(demoFolder() + '/' + sample.file);
}

// Writes the sample files that are missing and makes their thumbnails; says on stderr when they
// cannot be made (the library's entries are made all the same).
void writeSampleFiles() {
    QList<const SampleVideo*> samples;
    for (const SampleVideo& sample : kVideos)
        samples.append(&sample);
    samples.append(&kAcquired);
    if (!QDir().mkpath(QFile::decodeName(demoFolder()))) {
        Cli::fail(QStringLiteral("the folder %1 cannot be made").arg(demoFolder()));
        return;
    }
    QString error;
    const bool pictures = ThumbnailRun::available(&error);
    ThumbnailRun thumbnails(false);
    for (const SampleVideo* sample : samples) {
        if (isUrlText(QString::fromLatin1(sample->file)))
            continue;
        const QByteArray path = demoFolder() + '/' + sample->file;
        if (!writeDemoClip(path, sample->scene, &error)) {
            Cli::fail(QStringLiteral("the sample files cannot be written: %1").arg(error));
            return;
        }
        if (pictures)
            thumbnails.submit(path);
    }
    ProgressLine quiet(false);
    thumbnails.finish(quiet);
}

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
        const QUrl url = urlOf(sample);
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
        const QUrl url = urlOf(kVideos[play.video]);
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
    const QUrl url = urlOf(kAcquired);
    Held<M::AcquiredFileInterface> acquired;
    if (!library->findAcquiredFile(url, acquired.out())) {
        if (!library->newAcquiredFile(url, QString::fromLatin1(kAcquired.title), 9001,
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
                     "interrupted),\nthen prints info, ls, playlists, recent and queue. The "
                     "local files are short\npainted clips, written with their thumbnails to "
                     "\"Demo Videos\" beside the library\nfile. Running it again adds nothing "
                     "that is there already.");
    if (const auto exit = line.parse(args))
        return *exit;
    if (!line.arguments().isEmpty())
        return Cli::fail(QStringLiteral("demo takes no arguments"));
    M* library = cli.openLibrary();
    if (!library)
        return 1;
    writeSampleFiles();
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
