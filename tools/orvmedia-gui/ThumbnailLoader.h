#pragma once

// The window's pictures of files: read from the desktop's thumbnail cache, and made there first
// (by the thumbnail makers, on their own threads) when missing or stale. A picture is asked for
// when a row is painted; the loader answers at once with what it has, and tells when a picture
// it did not have is ready.

#include "ThumbnailPool.h"

#include <QByteArray>
#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>

#include <memory>

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    // rowSize: the box the table's pictures are fitted into.
    explicit ThumbnailLoader(QSize rowSize, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // The picture of the local file at path fitted into the row box, or its large picture
    // (256 pixels at most); null while it is being made, or when none can be made.
    QImage rowPicture(const QByteArray& path);
    QImage largePicture(const QByteArray& path);
    // What a row shows while its picture is made, or when there is none.
    QImage placeholder() const { return empty; }
    // Forgets the files asked for and not yet begun: a new list is shown.
    void dropWaiting();
    // Forgets what is known of path, so that it is read again when next asked for.
    void forget(const QByteArray& path);
    // Files asked for and not yet done.
    int pending() const { return int(inFlight.size()); }

signals:
    void ready(const QByteArray& path);

private:
    // The row picture of path when it is made; asks for it otherwise.
    const QImage* rowImage(const QByteArray& path);
    // On the UI thread: what a maker found (a null picture: none can be made).
    void deliver(const QByteArray& path, const QImage& row);

    const QSize rowSize;
    const ThumbnailCache store; // the desktop's, where XDG_CACHE_HOME says
    QImage empty;
    QCache<QByteArray, QImage> loaded;
    QSet<QByteArray> inFlight;
    QSet<QByteArray> without; // files of which no picture can be made
    std::unique_ptr<ThumbnailPool> pool;
};
