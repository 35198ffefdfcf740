#include "FileUrls.h"

#include <QList>
#include <QUrlQuery>

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace {

const char16_t kEscapeBase = 0xDC00;
const QByteArray kFileScheme("file://");

// The length of the valid UTF-8 sequence at bytes[at], 0 when there is none (a stray or
// overlong byte, a surrogate, a code point beyond U+10FFFF, a sequence cut short).
int utf8SequenceAt(const QByteArray& bytes, qsizetype at, char32_t* codePoint) {
    const auto byte = [&bytes](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    int length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const uchar next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

bool isSchemeCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '+' ||
           u == '-' || u == '.' || u == '_';
}

} // namespace

QString textFromLocalBytes(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = utf8SequenceAt(bytes, at, &codePoint);
        if (length == 0) {
            text.append(QChar(char16_t(kEscapeBase + uchar(bytes.at(at)))));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            text.append(QChar(QChar::highSurrogate(codePoint)));
            text.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            text.append(QChar(char16_t(codePoint)));
        }
        at += length;
    }
    return text;
}

QByteArray localBytesFromText(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const bool escaped = u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF &&
                             (i == 0 || !text.at(i - 1).isHighSurrogate());
        if (!escaped)
            continue;
        bytes += QStringView(text).mid(plainFrom, i - plainFrom).toUtf8();
        bytes += char(u - kEscapeBase);
        plainFrom = i + 1;
    }
    bytes += QStringView(text).mid(plainFrom).toUtf8();
    return bytes;
}

bool isUrlText(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 2 || !text.at(0).isLetter() || text.at(0).unicode() > 0x7F)
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        if (!isSchemeCharacter(text.at(i)))
            return false;
    }
    return true;
}

QByteArray absolutePath(const QByteArray& path) {
    QByteArray full = path;
    if (!full.startsWith('/')) {
        QByteArray folder(PATH_MAX, '\0');
        while (!getcwd(folder.data(), size_t(folder.size())) && errno == ERANGE)
            folder.resize(folder.size() * 2);
        folder.truncate(qsizetype(qstrlen(folder.constData())));
        full = folder + '/' + path;
    }
    QList<QByteArray> segments;
    for (const QByteArray& segment : full.split('/')) {
        if (segment.isEmpty() || segment == ".")
            continue;
        if (segment == "..") {
            if (!segments.isEmpty())
                segments.removeLast();
            continue;
        }
        segments.append(segment);
    }
    QByteArray result;
    for (const QByteArray& segment : segments)
        result += '/' + segment;
    return result.isEmpty() ? QByteArray("/") : result;
}

QUrl fileUrlFromPath(const QByteArray& absolutePath) {
    QString text = QString::fromUtf8(absolutePath);
    if (text.toUtf8() == absolutePath)
        return QUrl::fromLocalFile(text);
    return QUrl::fromEncoded(kFileScheme + absolutePath.toPercentEncoding("/"), QUrl::StrictMode);
}

QByteArray pathFromFileUrl(const QUrl& url) {
    if (!url.isValid() || url.scheme() != QLatin1String("file") ||
        !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return QByteArray();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QUrl urlFromArgument(const QString& text) {
    if (text.isEmpty())
        return QUrl();
    if (isUrlText(text))
        return QUrl(text, QUrl::TolerantMode);
    return fileUrlFromPath(absolutePath(localBytesFromText(text)));
}

QString fallbackNameOf(const QUrl& url) {
    const QString displayName =
        QUrlQuery(url).queryItemValue(QStringLiteral("dn"), QUrl::FullyDecoded);
    return displayName.isEmpty() ? displayUrl(url) : displayName;
}

QString displayUrl(const QUrl& url) {
    return url.isValid() ? url.toString() : url.path();
}
