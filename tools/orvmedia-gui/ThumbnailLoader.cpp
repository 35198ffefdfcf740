#include "ThumbnailLoader.h"

#include <QMetaObject>
#include <QPainter>
#include <QPainterPath>

namespace {
// Row pictures kept in memory: a few screens of rows (about 14 KiB each). The large pictures
// are read from the cache when the details pane shows one.
const int kPicturesKept = 600;
} // namespace

ThumbnailLoader::ThumbnailLoader(QSize rowSize, QObject* parent)
    : QObject(parent), rowSize(rowSize), loaded(kPicturesKept) {
    // A dark frame with a play sign, in the proportions of a film.
    const QSize box(rowSize.height() * 16 / 9, rowSize.height());
    empty = QImage(box.boundedTo(rowSize), QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    {
        QPainter painter(&empty);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x3a, 0x3f, 0x47));
        painter.drawRoundedRect(QRectF(empty.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        const QPointF centre = QRectF(empty.rect()).center();
        const qreal side = empty.height() * 0.18;
        QPainterPath sign;
        sign.moveTo(centre + QPointF(-side * 0.8, -side));
        sign.lineTo(centre + QPointF(side, 0));
        sign.lineTo(centre + QPointF(-side * 0.8, side));
        sign.closeSubpath();
        painter.setBrush(QColor(0x8a, 0x90, 0x99));
        painter.drawPath(sign);
    }
    const ThumbnailCache cache = store;
    pool = std::make_unique<ThumbnailPool>(
        Thumbnailer(store), 0,
        [this, cache, rowSize](const QByteArray& path, const ThumbnailOutcome& outcome) {
            // On a maker's thread: the pictures are read and fitted here, not on the UI's.
            QImage row;
            if (outcome.hasPictures()) {
                row = QImage(cache.pathOf(ThumbnailCache::uriOf(path), ThumbnailSize::Normal));
                if (!row.isNull())
                    row = row.scaled(rowSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            QMetaObject::invokeMethod(
                this, [this, path, row] { deliver(path, row); }, Qt::QueuedConnection);
        });
}

ThumbnailLoader::~ThumbnailLoader() {
    // The makers go first: none may deliver to a loader that is gone.
    pool.reset();
}

const QImage* ThumbnailLoader::rowImage(const QByteArray& path) {
    if (path.isEmpty() || without.contains(path))
        return nullptr;
    if (const QImage* known = loaded.object(path))
        return known;
    if (!inFlight.contains(path)) {
        inFlight.insert(path);
        pool->submitFirst(path);
    }
    return nullptr;
}

QImage ThumbnailLoader::rowPicture(const QByteArray& path) {
    const QImage* known = rowImage(path);
    return known ? *known : QImage();
}

QImage ThumbnailLoader::largePicture(const QByteArray& path) {
    if (!rowImage(path))
        return QImage();
    return QImage(store.pathOf(ThumbnailCache::uriOf(path), ThumbnailSize::Large));
}

void ThumbnailLoader::dropWaiting() {
    pool->dropWaiting();
    // What was begun still comes back; the rest will be asked for again when shown.
    inFlight.clear();
}

void ThumbnailLoader::forget(const QByteArray& path) {
    loaded.remove(path);
    without.remove(path);
}

void ThumbnailLoader::deliver(const QByteArray& path, const QImage& row) {
    inFlight.remove(path);
    if (row.isNull())
        without.insert(path);
    else
        loaded.insert(path, new QImage(row));
    emit ready(path);
}
