#include "PngText.h"

#include <QFile>
#include <QtEndian>

namespace {

const char kSignature[] = "\x89PNG\r\n\x1a\n";
const qint64 kSignatureSize = 8;
// Text chunks are small; anything bigger is not one a thumbnail carries.
const quint32 kLargestTextChunk = 64 * 1024;
// Chunks looked at before giving up: a thumbnail has a handful.
const int kMostChunks = 1000;

// A compressed text: zlib data, as qUncompress takes it behind a four-byte size hint.
QByteArray inflate(const QByteArray& data) {
    QByteArray sized(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()) * 4, sized.data());
    return qUncompress(sized + data);
}

// One text chunk's key and value; false when the chunk is damaged.
bool parseText(const QByteArray& type, const QByteArray& data, QByteArray* key, QString* value) {
    const qsizetype end = data.indexOf('\0');
    if (end <= 0)
        return false;
    *key = data.left(end);
    if (type == "tEXt") {
        *value = QString::fromLatin1(data.mid(end + 1));
        return true;
    }
    if (type == "zTXt") {
        if (data.size() < end + 2 || data.at(end + 1) != 0)
            return false;
        const QByteArray text = inflate(data.mid(end + 2));
        *value = QString::fromLatin1(text);
        return !text.isNull();
    }
    // iTXt: key, compression flag and method, language tag, translated key, then the text.
    if (data.size() < end + 3)
        return false;
    const bool compressed = data.at(end + 1) != 0;
    const qsizetype language = data.indexOf('\0', end + 3);
    const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
    if (translated < 0)
        return false;
    const QByteArray text =
        compressed ? inflate(data.mid(translated + 1)) : data.mid(translated + 1);
    *value = QString::fromUtf8(text);
    return !compressed || !text.isNull();
}

} // namespace

bool readPngText(const QString& file, QHash<QByteArray, QString>* text) {
    text->clear();
    QFile png(file);
    if (!png.open(QIODevice::ReadOnly) || png.read(kSignatureSize) != QByteArray(kSignature, 8))
        return false;
    for (int chunks = 0; chunks < kMostChunks; ++chunks) {
        const QByteArray header = png.read(8);
        if (header.size() != 8)
            return false;
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        const QByteArray type = header.mid(4, 4);
        if (type == "IEND")
            return true;
        if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            if (length > kLargestTextChunk)
                return false;
            const QByteArray data = png.read(length);
            if (data.size() != qsizetype(length))
                return false;
            QByteArray key;
            QString value;
            if (parseText(type, data, &key, &value))
                text->insert(key, value);
            if (!png.skip(4)) // the checksum
                return false;
        } else if (!png.seek(png.pos() + qint64(length) + 4)) {
            return false;
        }
    }
    return false;
}
