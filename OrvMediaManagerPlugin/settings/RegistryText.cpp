#include "RegistryText.h"

#include <QStringDecoder>

#include <cstring>

namespace vds {
namespace reg {

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16Mark[] = "\xFF\xFE";

// Windows-1252 for the bytes 0x80 to 0x9F; the five it leaves undefined stand for the control
// characters of the same number, as the system's own conversion maps them. Every other byte is
// the character of the same number, so each of the 256 bytes decodes and encodes back unchanged.
const char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeCodePage(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar byte = static_cast<uchar>(bytes.at(i));
        text[i] = QChar(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
    }
    return text;
}

bool encodeCodePage(const QString& text, QByteArray* bytes) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        int byte = -1;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            byte = c;
        } else {
            for (int k = 0; k < 32 && byte < 0; ++k) {
                if (kHighControls[k] == c)
                    byte = 0x80 + k;
            }
        }
        if (byte < 0)
            return false;
        out[i] = static_cast<char>(byte);
    }
    if (bytes)
        *bytes = out;
    return true;
}

bool decodeUtf8(const QByteArray& bytes, QString* text) {
    // A mark inside the text is kept as a character, so that the bytes encode back unchanged.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

bool decodeText(const QByteArray& bytes, Encoding* encoding, QString* text) {
    if (bytes.startsWith(kUtf16Mark)) {
        if (bytes.size() % 2 != 0)
            return false;
        // Copied unit by unit: every unit, a broken surrogate too, is written back as it was.
        const qsizetype units = (bytes.size() - 2) / 2;
        QString decoded(units, Qt::Uninitialized);
        std::memcpy(decoded.data(), bytes.constData() + 2, static_cast<size_t>(units) * 2);
        *text = decoded;
        *encoding = Encoding::Utf16WithMark;
        return true;
    }
    if (bytes.startsWith(kUtf8Mark) && decodeUtf8(bytes.mid(3), text)) {
        *encoding = Encoding::Utf8WithMark;
        return true;
    }
    if (decodeUtf8(bytes, text)) {
        *encoding = Encoding::Utf8;
        return true;
    }
    *text = decodeCodePage(bytes);
    *encoding = Encoding::Ansi;
    return true;
}

bool canEncode(Encoding encoding, const QString& text) {
    if (encoding == Encoding::Ansi)
        return encodeCodePage(text, nullptr);
    // UTF-8 cannot hold a broken surrogate; UTF-16 holds any unit.
    return encoding == Encoding::Utf16WithMark || QStringView(text).isValidUtf16();
}

QByteArray encodeText(Encoding encoding, const QString& text) {
    switch (encoding) {
    case Encoding::Utf16WithMark: {
        QByteArray bytes(kUtf16Mark, 2);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return bytes;
    }
    case Encoding::Utf8WithMark:
        return QByteArray(kUtf8Mark) + text.toUtf8();
    case Encoding::Ansi: {
        QByteArray bytes;
        encodeCodePage(text, &bytes);
        return bytes;
    }
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QString decode8Bit(Encoding encoding, const QByteArray& bytes) {
    QString text;
    if (encoding != Encoding::Ansi && encoding != Encoding::Utf16WithMark &&
        decodeUtf8(bytes, &text))
        return text;
    return decodeCodePage(bytes);
}

bool encode8Bit(Encoding encoding, const QString& text, QByteArray* bytes) {
    if (encoding == Encoding::Ansi || encoding == Encoding::Utf16WithMark)
        return encodeCodePage(text, bytes);
    if (!QStringView(text).isValidUtf16())
        return false;
    *bytes = text.toUtf8();
    return true;
}

} // namespace reg
} // namespace vds
