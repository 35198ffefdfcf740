#include "RegistryHive.h"

#include <QStringDecoder>

namespace vds {
namespace reg {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
// Hex data lines are wrapped before this width, with "\" ending each broken line.
const int kLineWidth = 80;

QString foldName(const QString& name) {
    return name.toCaseFolded();
}

bool sameName(const QString& a, const QString& b) {
    return foldName(a) == foldName(b);
}

// Decodes the file's bytes: UTF-8 (with or without a byte-order mark) as we write it, or
// UTF-16LE with its mark as other tools export it.
bool decodeText(const QByteArray& bytes, QString* text) {
    if (bytes.startsWith("\xFF\xFE")) {
        if (bytes.size() % 2 != 0)
            return false;
        *text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                   (bytes.size() - 2) / 2);
        return true;
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(body);
    return !decoder.hasError();
}

// Reads a quoted text starting at pos (on the opening quote); only \\ and \" are escapes.
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

QByteArray utf16Terminated(const QString& text) {
    QByteArray data;
    data.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        data.append(static_cast<char>(c.unicode() & 0xFF));
        data.append(static_cast<char>(c.unicode() >> 8));
    }
    data.append('\0');
    data.append('\0');
    return data;
}

// A string value is written as quoted text when reading that text back gives the same bytes:
// UTF-16 with one terminator at the end, no other NUL, no line break, no broken surrogate.
bool quotedForm(const HiveValue& value, QString* text) {
    const QByteArray& data = value.data;
    if (data.size() < 2 || data.size() % 2 != 0 || !data.endsWith(QByteArray(2, '\0')))
        return false;
    QString decoded;
    for (int i = 0; i + 2 < data.size(); i += 2) {
        const ushort unit = static_cast<uchar>(data.at(i)) |
                            (static_cast<ushort>(static_cast<uchar>(data.at(i + 1))) << 8);
        if (unit == 0 || unit == '\r' || unit == '\n')
            return false;
        decoded.append(QChar(unit));
    }
    if (!QStringView(decoded).isValidUtf16())
        return false;
    *text = decoded;
    return true;
}

QString hexData(const QString& prefix, const QByteArray& bytes) {
    QString out;
    QString line = prefix;
    for (int i = 0; i < bytes.size(); ++i) {
        QString piece =
            QStringLiteral("%1").arg(static_cast<uchar>(bytes.at(i)), 2, 16, QLatin1Char('0'));
        if (i + 1 < bytes.size())
            piece += QLatin1Char(',');
        if (i > 0 && line.size() + piece.size() + 1 > kLineWidth) {
            out += line + QLatin1String("\\\n");
            line = QStringLiteral("  ");
        }
        line += piece;
    }
    return out + line;
}

QString valueLine(const HiveValue& value) {
    const QString name = value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
    QString text;
    if (value.type == TypeString && quotedForm(value, &text))
        return name + QLatin1Char('=') + quoted(text);
    if (value.type == TypeDWord && value.data.size() == 4) {
        const quint32 number = static_cast<uchar>(value.data.at(0)) |
                               (static_cast<quint32>(static_cast<uchar>(value.data.at(1))) << 8) |
                               (static_cast<quint32>(static_cast<uchar>(value.data.at(2))) << 16) |
                               (static_cast<quint32>(static_cast<uchar>(value.data.at(3))) << 24);
        return name + QStringLiteral("=dword:%1").arg(number, 8, 16, QLatin1Char('0'));
    }
    const QString type = value.type == TypeBinary
                             ? QStringLiteral("hex:")
                             : QStringLiteral("hex(%1):").arg(value.type, 0, 16);
    return hexData(name + QLatin1Char('=') + type, value.data);
}

void writeKey(const HiveKey& key, const QString& path, bool isRoot, QString* out) {
    if (!isRoot || !key.values.empty()) {
        *out += QLatin1Char('[') + path + QLatin1String("]\n");
        for (const HiveValue& value : key.values)
            *out += valueLine(value) + QLatin1Char('\n');
        *out += QLatin1Char('\n');
    }
    for (const auto& entry : key.children)
        writeKey(*entry.second, path + QLatin1Char('\\') + entry.second->name, false, out);
}

} // namespace

HiveKey* HiveKey::child(const QString& childName) const {
    const auto it = children.find(foldName(childName));
    return it == children.end() ? nullptr : it->second.get();
}

HiveKey* HiveKey::addChild(const QString& childName) {
    std::unique_ptr<HiveKey>& slot = children[foldName(childName)];
    if (!slot) {
        slot = std::make_unique<HiveKey>();
        slot->name = childName;
    }
    return slot.get();
}

bool HiveKey::removeChild(const QString& childName) {
    return children.erase(foldName(childName)) > 0;
}

const HiveValue* HiveKey::value(const QString& valueName) const {
    for (const HiveValue& v : values) {
        if (sameName(v.name, valueName))
            return &v;
    }
    return nullptr;
}

void HiveKey::setValue(const QString& valueName, quint32 type, const QByteArray& data) {
    for (HiveValue& v : values) {
        if (sameName(v.name, valueName)) {
            v.type = type;
            v.data = data;
            return;
        }
    }
    values.push_back(HiveValue{valueName, type, data});
}

bool HiveKey::removeValue(const QString& valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (sameName(it->name, valueName)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

Hive::Hive(const QString& rootName) : rootName(rootName) {}

HiveKey* Hive::find(const QStringList& components) {
    HiveKey* key = &top;
    for (const QString& component : components) {
        key = key->child(component);
        if (!key)
            return nullptr;
    }
    return key;
}

HiveKey* Hive::create(const QStringList& components) {
    HiveKey* key = &top;
    for (const QString& component : components)
        key = key->addChild(component);
    return key;
}

bool Hive::removeTree(const QStringList& components) {
    if (components.isEmpty())
        return false;
    HiveKey* parent = find(components.mid(0, components.size() - 1));
    return parent && parent->removeChild(components.last());
}

bool Hive::parse(const QByteArray& bytes, QString* error) {
    top = HiveKey();
    QString text;
    if (!decodeText(bytes, &text)) {
        if (error)
            *error = QStringLiteral("the file is neither UTF-8 nor UTF-16 text");
        return false;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool headerSeen = false;
    HiveKey* current = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        auto fail = [&](const QString& why) {
            top = HiveKey();
            if (error)
                *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
            return false;
        };
        QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen) {
            if (line != QLatin1String(kHeader))
                return fail(QStringLiteral("expected \"%1\"").arg(QLatin1String(kHeader)));
            headerSeen = true;
            continue;
        }

        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')) || line.startsWith(QLatin1String("[-")))
                return fail(QStringLiteral("malformed key line"));
            QStringList components = line.mid(1, line.size() - 2).split(QLatin1Char('\\'));
            if (!sameName(components.takeFirst(), rootName))
                return fail(QStringLiteral("the key is not below %1").arg(rootName));
            for (const QString& component : components) {
                if (component.isEmpty())
                    return fail(QStringLiteral("empty key name"));
            }
            current = create(components);
            continue;
        }

        if (!line.startsWith(QLatin1Char('"')) && !line.startsWith(QLatin1Char('@')))
            return fail(QStringLiteral("expected a [key] or a \"name\"=value line"));
        if (!current)
            return fail(QStringLiteral("a value before the first [key] line"));
        int pos = 0;
        QString name;
        if (line.startsWith(QLatin1Char('@')))
            pos = 1;
        else if (!readQuoted(line, pos, &name))
            return fail(QStringLiteral("malformed value name"));
        if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
            return fail(QStringLiteral("expected '=' after the value name"));
        QString data = line.mid(pos + 1).trimmed();

        quint32 type = TypeNone;
        QByteArray bytes;
        if (data.startsWith(QLatin1Char('"'))) {
            int at = 0;
            QString value;
            if (!readQuoted(data, at, &value) || !data.mid(at).trimmed().isEmpty())
                return fail(QStringLiteral("malformed string value"));
            type = TypeString;
            bytes = utf16Terminated(value);
        } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            quint32 number = 0;
            if (!parseHexNumber(data.mid(6).trimmed(), 8, &number))
                return fail(QStringLiteral("malformed dword value"));
            type = TypeDWord;
            for (int shift = 0; shift < 32; shift += 8)
                bytes.append(static_cast<char>((number >> shift) & 0xFF));
        } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            // Long hex data continues on the next lines after a trailing backslash.
            while (data.endsWith(QLatin1Char('\\'))) {
                data.chop(1);
                if (++i >= lines.size() || lines.at(i).trimmed().isEmpty())
                    return fail(QStringLiteral("hex data breaks off after a backslash"));
                data += lines.at(i).trimmed();
            }
            const int colon = data.indexOf(QLatin1Char(':'));
            if (colon < 0)
                return fail(QStringLiteral("malformed hex value"));
            const QString kind = data.left(colon).toLower();
            if (kind == QLatin1String("hex")) {
                type = TypeBinary;
            } else if (!kind.startsWith(QLatin1String("hex(")) ||
                       !kind.endsWith(QLatin1Char(')')) ||
                       !parseHexNumber(kind.mid(4, kind.size() - 5), 8, &type)) {
                return fail(QStringLiteral("malformed hex value type"));
            }
            if (!parseHexBytes(data.mid(colon + 1), &bytes))
                return fail(QStringLiteral("malformed hex bytes"));
        } else {
            return fail(QStringLiteral("unknown value form"));
        }
        current->setValue(name, type, bytes);
    }
    // A file of nothing but blank lines and comments holds an empty hive.
    return true;
}

QByteArray Hive::serialize() const {
    QString out = QLatin1String(kHeader) + QLatin1String("\n\n");
    writeKey(top, rootName, true, &out);
    return out.toUtf8();
}

} // namespace reg
} // namespace vds
