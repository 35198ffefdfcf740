#include "RegistryValueText.h"

#include <QtEndian>

namespace vds {
namespace reg {

namespace {

// Hex data lines are wrapped before this width, with "\" ending each broken line.
const int kLineWidth = 80;

bool parseHexNumber(const QString& text, int maxDigits, quint32* value) {
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    bool ok = false;
    const uint number = text.toUInt(&ok, 16);
    if (!ok)
        return false;
    *value = number;
    return true;
}

// "01,02,ff" (a trailing comma allowed, nothing at all for no bytes).
bool parseHexBytes(const QString& text, QByteArray* bytes) {
    bytes->clear();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    const QStringList pieces = trimmed.split(QLatin1Char(','));
    for (int i = 0; i < pieces.size(); ++i) {
        const QString piece = pieces.at(i).trimmed();
        if (piece.isEmpty() && i == pieces.size() - 1 && i > 0)
            break;
        quint32 byte = 0;
        if (!parseHexNumber(piece, 2, &byte))
            return false;
        bytes->append(static_cast<char>(byte));
    }
    return true;
}

QByteArray utf16Bytes(const QString& text) {
    QByteArray data(text.size() * 2, '\0');
    for (int i = 0; i < text.size(); ++i)
        qToLittleEndian(text.at(i).unicode(), data.data() + 2 * i);
    return data;
}

QString textOfUtf16(const QByteArray& data) {
    QString text;
    for (int i = 0; i + 1 < data.size(); i += 2)
        text.append(QChar(qFromLittleEndian<char16_t>(data.constData() + i)));
    return text;
}

bool stringData(quint32 type) {
    return type == TypeExpandString || type == TypeMultiString;
}

// A string value is written as quoted text when reading that text back gives the same bytes:
// UTF-16 with one terminator at the end, no other NUL, no line break, no broken surrogate, and
// only characters the file's encoding has.
bool quotedForm(const QByteArray& data, const TextForm& form, QString* text) {
    if (data.size() < 2 || data.size() % 2 != 0 || !data.endsWith(QByteArray(2, '\0')))
        return false;
    const QString decoded = textOfUtf16(data.left(data.size() - 2));
    for (const QChar c : decoded) {
        if (c.unicode() == 0 || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    if (!QStringView(decoded).isValidUtf16() || !canEncode(form.encoding, decoded))
        return false;
    *text = decoded;
    return true;
}

QStringList hexLines(const QString& prefix, const QByteArray& bytes) {
    QStringList lines;
    QString line = prefix;
    for (int i = 0; i < bytes.size(); ++i) {
        QString piece =
            QStringLiteral("%1").arg(static_cast<uchar>(bytes.at(i)), 2, 16, QLatin1Char('0'));
        if (i + 1 < bytes.size())
            piece += QLatin1Char(',');
        if (i > 0 && line.size() + piece.size() + 1 > kLineWidth) {
            lines << line + QLatin1Char('\\');
            line = QStringLiteral("  ");
        }
        line += piece;
    }
    return lines << line;
}

} // namespace

bool readQuoted(const QString& line, int& pos, QString* out) {
    out->clear();
    ++pos;
    while (pos < line.size()) {
        const QChar c = line.at(pos++);
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\')) {
            if (pos >= line.size())
                return false;
            const QChar escaped = line.at(pos++);
            if (escaped != QLatin1Char('\\') && escaped != QLatin1Char('"'))
                return false;
            out->append(escaped);
        } else {
            out->append(c);
        }
    }
    return false;
}

QString quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool parseValueData(const QString& data, const TextForm& form, quint32* type, QByteArray* bytes,
                    QString* why) {
    bytes->clear();
    if (data.startsWith(QLatin1Char('"'))) {
        int at = 0;
        QString value;
        if (!readQuoted(data, at, &value) || !data.mid(at).trimmed().isEmpty()) {
            *why = QStringLiteral("malformed string value");
            return false;
        }
        *type = TypeString;
        *bytes = utf16Bytes(value) + QByteArray(2, '\0');
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        quint32 number = 0;
        if (!parseHexNumber(data.mid(6).trimmed(), 8, &number)) {
            *why = QStringLiteral("malformed dword value");
            return false;
        }
        *type = TypeDWord;
        bytes->resize(4);
        qToLittleEndian(number, bytes->data());
        return true;
    }
    if (!data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        *why = QStringLiteral("unknown value form");
        return false;
    }
    const int colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        *why = QStringLiteral("malformed hex value");
        return false;
    }
    const QString kind = data.left(colon).toLower();
    if (kind == QLatin1String("hex")) {
        *type = TypeBinary;
    } else if (!kind.startsWith(QLatin1String("hex(")) || !kind.endsWith(QLatin1Char(')')) ||
               !parseHexNumber(kind.mid(4, kind.size() - 5), 8, type)) {
        *why = QStringLiteral("malformed hex value type");
        return false;
    }
    if (!parseHexBytes(data.mid(colon + 1), bytes)) {
        *why = QStringLiteral("malformed hex bytes");
        return false;
    }
    if (form.regedit4 && stringData(*type))
        *bytes = utf16Bytes(decode8Bit(form.encoding, *bytes));
    return true;
}

bool formatValueLines(const QString& namePart, quint32 type, const QByteArray& data,
                      const TextForm& form, QStringList* lines) {
    QString text;
    if (type == TypeString && quotedForm(data, form, &text)) {
        *lines = QStringList{namePart + QLatin1Char('=') + quoted(text)};
        return true;
    }
    if (type == TypeDWord && data.size() == 4) {
        const quint32 number = qFromLittleEndian<quint32>(data.constData());
        *lines = QStringList{namePart +
                             QStringLiteral("=dword:%1").arg(number, 8, 16, QLatin1Char('0'))};
        return true;
    }
    QByteArray bytes = data;
    if (form.regedit4 && stringData(type) &&
        (data.size() % 2 != 0 || !encode8Bit(form.encoding, textOfUtf16(data), &bytes)))
        return false;
    const QString kind =
        type == TypeBinary ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(type, 0, 16);
    *lines = hexLines(namePart + QLatin1Char('=') + kind, bytes);
    return true;
}

} // namespace reg
} // namespace vds
