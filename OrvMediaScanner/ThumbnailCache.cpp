#include "ThumbnailCache.h"

#include "FileUrls.h"
#include "OrvVersion.h"
#include "PngText.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHash>

QString ThumbnailCache::defaultFolder() {
    QString cache = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/thumbnails");
}

int ThumbnailCache::pixels(ThumbnailSize size) {
    return size == ThumbnailSize::Large ? 256 : 128;
}

QByteArray ThumbnailCache::uriOf(const QByteArray& absolutePath) {
    return fileUrlFromPath(absolutePath).toEncoded();
}

QByteArray ThumbnailCache::fileNameOf(const QByteArray& uri) {
    return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

QString ThumbnailCache::folderOf(ThumbnailSize size) const {
    return root +
           (size == ThumbnailSize::Large ? QStringLiteral("/large") : QStringLiteral("/normal"));
}

QString ThumbnailCache::pathOf(const QByteArray& uri, ThumbnailSize size) const {
    return folderOf(size) + QLatin1Char('/') + QString::fromLatin1(fileNameOf(uri));
}

QString ThumbnailCache::failFolder() const {
    return root + QStringLiteral("/fail/orvmedia-" ORV_VERSION);
}

QString ThumbnailCache::failPathOf(const QByteArray& uri) const {
    return failFolder() + QLatin1Char('/') + QString::fromLatin1(fileNameOf(uri));
}

bool ThumbnailCache::isFresh(const QString& file, const QByteArray& uri, qint64 modifiedSeconds) {
    QHash<QByteArray, QString> text;
    if (!readPngText(file, &text))
        return false;
    bool ok = false;
    // Some programs write the time with a fraction; the standard's value is whole seconds.
    const qint64 stamped = qint64(text.value("Thumb::MTime").toDouble(&ok));
    return ok && stamped == modifiedSeconds && text.value("Thumb::URI").toLatin1() == uri;
}
