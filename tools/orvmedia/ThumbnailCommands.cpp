// orvmedia thumbnails: the pictures of the library's local files in the desktop's thumbnail
// cache, made where they are missing or stale.

#include "Cli.h"
#include "CommandLine.h"
#include "HostTransaction.h"
#include "MediaFiles.h"
#include "PlaylistNames.h"
#include "ProgressLine.h"
#include "ThumbnailRun.h"

#include <QSet>

namespace {

typedef VireoStudio::MediaManagerInterface M;

// The local paths of the playlist's files, each once, in play order; files of other schemes
// are counted in remote.
void localFiles(M::PlaylistInterface* playlist, QList<QByteArray>* paths, QSet<QByteArray>* seen,
                qint64* remote) {
    const qint64 items = playlist->getItemCount();
    for (qint64 position = 0; position < items; ++position) {
        Held<M::MediaFileInterface> media;
        Held<M::AcquiredFileInterface> acquired;
        QUrl url;
        if (playlist->getMediaFileAt(quint64(position), media.out()))
            url = media->getUri();
        else if (playlist->getAcquiredFileAt(quint64(position), acquired.out()))
            url = acquired->getUri();
        else
            continue;
        const QByteArray path = pathFromFileUrl(url);
        if (path.isEmpty())
            ++*remote;
        else if (!seen->contains(path)) {
            seen->insert(path);
            paths->append(path);
        }
    }
}

} // namespace

int runThumbnails(Cli& cli, const QStringList& args) {
    CommandLine line(
        QStringLiteral("orvmedia thumbnails [PLAYLIST] [--verbose] [--quiet]"),
        QStringLiteral(
            "Makes the thumbnails of the library's local files (or of one playlist's) that are\n"
            "missing or stale, in the desktop's thumbnail cache ($XDG_CACHE_HOME/thumbnails),\n"
            "several at once. A file whose picture could not be made is not tried again until\n"
            "it changes. Ends with one line of counts."));
    line.addFlag(QStringLiteral("verbose"),
                 QStringLiteral("Lists each file that has no thumbnail, with why."));
    line.addFlag(QStringLiteral("quiet"), QStringLiteral("Shows no progress line."));
    line.addArgument(QStringLiteral("playlist"),
                     QStringLiteral("The playlist's name or id (default: every file)."),
                     QStringLiteral("[PLAYLIST]"));
    if (const auto exit = line.parse(args))
        return *exit;
    if (line.arguments().size() > 1)
        return Cli::fail(QStringLiteral("usage: ") + line.usage());
    QString error;
    if (!ThumbnailRun::available(&error))
        return Cli::fail(error);
    M* library = cli.openLibrary();
    if (!library)
        return 1;

    QList<QByteArray> paths;
    QSet<QByteArray> seen;
    qint64 remote = 0;
    {
        const HostTransaction reading(library);
        if (!line.arguments().isEmpty()) {
            Held<M::PlaylistInterface> playlist;
            if (!findPlaylistArg(library, line.arguments().first(), playlist))
                return Cli::fail(
                    QStringLiteral("no playlist named '%1'").arg(line.arguments().first()));
            localFiles(playlist.get(), &paths, &seen, &remote);
        } else {
            // Every file: the video files, and the acquired ones that are no video files.
            for (int type : {1, int(M::PLAYLIST_TYPE_ACQUIRED)}) {
                Held<M::PlaylistInterface> playlist;
                if (library->getPlaylistAt(type, 0, playlist.out()))
                    localFiles(playlist.get(), &paths, &seen, &remote);
            }
        }
    }
    ThumbnailRun run(line.isSet(QStringLiteral("verbose")));
    for (const QByteArray& path : paths)
        run.submit(path);
    ProgressLine progress(!line.isSet(QStringLiteral("quiet")));
    run.finish(progress);
    Cli::print(run.summary() +
               (remote > 0 ? QStringLiteral(", %1 not local").arg(remote) : QString()));
    return 0;
}
