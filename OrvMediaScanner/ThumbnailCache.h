#pragma once

// The desktop's shared thumbnail cache, as the freedesktop Thumbnail Managing Standard lays it
// out, so that file managers and other programs use the pictures made here and the other way
// round: $XDG_CACHE_HOME/thumbnails/normal/ (128 pixels) and large/ (256 pixels), each picture
// named by the MD5 of its file's URI and carrying the URI and the file's modification time in
// PNG text chunks; failures under fail/APPLICATION-VERSION/.

#include <QByteArray>
#include <QString>

enum class ThumbnailSize { Normal, Large };

class ThumbnailCache {
public:
    // $XDG_CACHE_HOME/thumbnails, with ~/.cache when XDG_CACHE_HOME is not set or not absolute.
    static QString defaultFolder();

    explicit ThumbnailCache(const QString& folder = defaultFolder()) : root(folder) {}
    QString folder() const { return root; }

    // The longest side of a picture of the size: 128 or 256 pixels.
    static int pixels(ThumbnailSize size);
    // The URI a thumbnail is made for: the file:// URI of the absolute path, percent-encoded as
    // the desktop's other programs write it.
    static QByteArray uriOf(const QByteArray& absolutePath);
    // MD5 of the URI in lowercase hex, then ".png".
    static QByteArray fileNameOf(const QByteArray& uri);

    QString folderOf(ThumbnailSize size) const;
    QString pathOf(const QByteArray& uri, ThumbnailSize size) const;
    // The record of a file this program could not make a picture of.
    QString failFolder() const;
    QString failPathOf(const QByteArray& uri) const;

    // Whether the PNG at file is of uri as the file was at modifiedSeconds: its Thumb::URI is
    // uri and its Thumb::MTime that time. Any other picture there is stale (or another file's).
    static bool isFresh(const QString& file, const QByteArray& uri, qint64 modifiedSeconds);

private:
    QString root;
};
