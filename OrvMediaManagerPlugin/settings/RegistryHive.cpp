#include "RegistryHive.h"

namespace vds {
namespace reg {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kHeader4[] = "REGEDIT4";

QString foldName(const QString& name) {
    return name.toCaseFolded();
}

bool sameName(const QString& a, const QString& b) {
    return foldName(a) == foldName(b);
}

QString foldedPath(const QStringList& components) {
    QStringList folded;
    for (const QString& component : components)
        folded << foldName(component);
    return folded.join(QLatin1Char('\\'));
}

bool isComment(const QString& line) {
    return line.trimmed().startsWith(QLatin1Char(';'));
}

QString namePart(const QString& name) {
    return name.isEmpty() ? QStringLiteral("@") : quoted(name);
}

// The key at a path below key, created with every missing key on the way.
HiveKey* addKey(HiveKey* key, const QStringList& components) {
    for (const QString& component : components) {
        std::unique_ptr<HiveKey>& slot = key->children[foldName(component)];
        if (!slot) {
            slot = std::make_unique<HiveKey>();
            slot->name = component;
        }
        key = slot.get();
    }
    return key;
}

// A value given again takes the type and data of the later line and keeps its first name.
void storeValue(HiveKey* key, const QString& name, quint32 type, const QByteArray& data) {
    for (HiveValue& v : key->values) {
        if (sameName(v.name, name)) {
            v.type = type;
            v.data = data;
            return;
        }
    }
    key->values.push_back(HiveValue{name, type, data});
}

} // namespace

HiveKey* HiveKey::child(const QString& childName) const {
    const auto it = children.find(foldName(childName));
    return it == children.end() ? nullptr : it->second.get();
}

const HiveValue* HiveKey::value(const QString& valueName) const {
    for (const HiveValue& v : values) {
        if (sameName(v.name, valueName))
            return &v;
    }
    return nullptr;
}

Hive::Hive(const QString& rootName) : rootName(rootName) {}

const HiveKey* Hive::find(const QStringList& components) const {
    const HiveKey* key = &top;
    for (const QString& component : components) {
        key = key->child(component);
        if (!key)
            return nullptr;
    }
    return key;
}

bool Hive::parse(const QByteArray& bytes, QString* error) {
    lines.clear();
    form = TextForm();
    QString text;
    if (!decodeText(bytes, &form.encoding, &text)) {
        if (error)
            *error = QStringLiteral("the file is neither UTF-8 nor UTF-16 text");
        top = HiveKey();
        entries.clear();
        return false;
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), start);
        if (lf < 0) {
            lines.push_back(Line{text.mid(start), QString()});
            break;
        }
        Line line{text.mid(start, lf - start), QStringLiteral("\n")};
        if (line.text.endsWith(QLatin1Char('\r'))) {
            line.text.chop(1);
            line.end = QStringLiteral("\r\n");
        }
        lines.push_back(line);
        start = lf + 1;
    }
    if (!parseLines(error)) {
        lines.clear();
        return false;
    }
    return true;
}

bool Hive::parseLines(QString* error) {
    top = HiveKey();
    entries.clear();
    form.regedit4 = false;
    bool headerSeen = false;
    HiveKey* current = nullptr;
    QString currentPath;
    // The file is the settings themselves, not changes to import into them.
    const QString deletion =
        QStringLiteral("deletion lines ([-key], \"name\"=-) are not allowed in a settings file");
    const int lineCount = static_cast<int>(lines.size());
    for (int i = 0; i < lineCount; ++i) {
        const int first = i;
        auto fail = [&](const QString& why) {
            top = HiveKey();
            entries.clear();
            if (error)
                *error = QStringLiteral("line %1: %2").arg(first + 1).arg(why);
            return false;
        };
        const QString line = lines[i].text.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen) {
            if (line == QLatin1String(kHeader4))
                form.regedit4 = true;
            else if (line != QLatin1String(kHeader))
                return fail(QStringLiteral("expected \"%1\" or \"%2\"")
                                .arg(QLatin1String(kHeader), QLatin1String(kHeader4)));
            if (form.encoding == Encoding::Ansi && !form.regedit4)
                return fail(QStringLiteral("the file is neither UTF-8 nor UTF-16 text"));
            headerSeen = true;
            entries.push_back(Entry{Entry::Header, i, 1, QString(), QString()});
            continue;
        }

        if (line.startsWith(QLatin1Char('['))) {
            if (line.startsWith(QLatin1String("[-")))
                return fail(deletion);
            if (!line.endsWith(QLatin1Char(']')))
                return fail(QStringLiteral("malformed key line"));
            QStringList components = line.mid(1, line.size() - 2).split(QLatin1Char('\\'));
            if (!sameName(components.takeFirst(), rootName))
                return fail(QStringLiteral("the key is not below %1").arg(rootName));
            for (const QString& component : components) {
                if (component.isEmpty())
                    return fail(QStringLiteral("empty key name"));
            }
            current = addKey(&top, components);
            currentPath = foldedPath(components);
            entries.push_back(Entry{Entry::Key, i, 1, currentPath, QString()});
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
        if (data == QLatin1String("-"))
            return fail(deletion);
        // Long hex data continues on the next lines after a trailing backslash.
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(QLatin1Char('\\'))) {
                data.chop(1);
                if (++i >= lineCount || lines[i].text.trimmed().isEmpty())
                    return fail(QStringLiteral("hex data breaks off after a backslash"));
                data += lines[i].text.trimmed();
            }
        }
        quint32 type = TypeNone;
        QByteArray bytes;
        QString why;
        if (!parseValueData(data, form, &type, &bytes, &why))
            return fail(why);
        storeValue(current, name, type, bytes);
        entries.push_back(Entry{Entry::Value, first, i - first + 1, currentPath, name});
    }
    // A file of nothing but blank lines and comments holds an empty hive.
    return true;
}

QString Hive::lineEnd() const {
    for (const Line& line : lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return form.encoding == Encoding::Utf16WithMark ? QStringLiteral("\r\n") : QStringLiteral("\n");
}

bool Hive::encodable(const QStringList& texts) const {
    for (const QString& text : texts) {
        if (!canEncode(form.encoding, text))
            return false;
    }
    return true;
}

bool Hive::rewrite(const std::vector<bool>& dropped, int insertAt, const QStringList& texts) {
    if (!encodable(texts))
        return false;
    const QString end = lineEnd();
    std::vector<Line> changed;
    changed.reserve(lines.size() + static_cast<size_t>(texts.size()));
    for (int i = 0; i <= static_cast<int>(lines.size()); ++i) {
        if (i == insertAt) {
            // The last line of a file that does not end with a line break gets one.
            if (!changed.empty() && changed.back().end.isEmpty())
                changed.back().end = end;
            for (const QString& text : texts)
                changed.push_back(Line{text, end});
        }
        if (i < static_cast<int>(lines.size()) && !dropped[static_cast<size_t>(i)])
            changed.push_back(lines[static_cast<size_t>(i)]);
    }
    changed.swap(lines);
    if (parseLines(nullptr))
        return true;
    changed.swap(lines);
    parseLines(nullptr);
    return false;
}

bool Hive::replaceLines(int first, int count, const QStringList& texts) {
    std::vector<bool> dropped(lines.size(), false);
    for (int i = first; i < first + count; ++i)
        dropped[static_cast<size_t>(i)] = true;
    return rewrite(dropped, first, texts);
}

QStringList Hive::sectionStart(const QStringList& components) const {
    QStringList texts;
    bool hasHeader = false;
    for (const Entry& entry : entries)
        hasHeader = hasHeader || entry.kind == Entry::Header;
    if (!hasHeader) {
        // An 8-bit file can only be a REGEDIT4 file.
        texts << QLatin1String(form.encoding == Encoding::Ansi ? kHeader4 : kHeader) << QString();
    } else if (!lines.empty() && !lines.back().text.trimmed().isEmpty()) {
        texts << QString();
    }
    // Keys that exist keep the case they were written with.
    QString path = rootName;
    const HiveKey* key = &top;
    for (const QString& component : components) {
        key = key ? key->child(component) : nullptr;
        path += QLatin1Char('\\') + (key ? key->name : component);
    }
    return texts << QLatin1Char('[') + path + QLatin1Char(']');
}

int Hive::lastSectionOf(const QString& keyPath) const {
    int found = -1;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (entries[static_cast<size_t>(i)].kind == Entry::Key &&
            entries[static_cast<size_t>(i)].keyPath == keyPath)
            found = i;
    }
    return found;
}

bool Hive::create(const QStringList& components) {
    if (find(components))
        return true;
    return replaceLines(static_cast<int>(lines.size()), 0, sectionStart(components) << QString());
}

bool Hive::setValue(const QStringList& key, const QString& name, quint32 type,
                    const QByteArray& data) {
    if (!find(key))
        return false;
    const QString path = foldedPath(key);
    const Entry* given = nullptr;
    for (const Entry& entry : entries) {
        if (entry.kind == Entry::Value && entry.keyPath == path && sameName(entry.name, name))
            given = &entry;
    }
    QStringList texts;
    if (!formatValueLines(namePart(given ? given->name : name), type, data, form, &texts))
        return false;
    // The line that holds the value now (the last of several) takes the new value.
    if (given)
        return replaceLines(given->first, given->count, texts);

    const int section = lastSectionOf(path);
    if (section < 0) {
        // A key named only by the keys below it gets a section of its own at the end.
        const QStringList added = sectionStart(key) + texts << QString();
        return replaceLines(static_cast<int>(lines.size()), 0, added);
    }
    // After the last value of the key's last section, before the comments and blank lines
    // that lead to the next section.
    size_t i = static_cast<size_t>(section);
    int at = entries[i].first + 1;
    while (++i < entries.size() && entries[i].kind == Entry::Value)
        at = entries[i].first + entries[i].count;
    return replaceLines(at, 0, texts);
}

bool Hive::removeValue(const QStringList& key, const QString& name) {
    const QString path = foldedPath(key);
    std::vector<bool> dropped(lines.size(), false);
    bool found = false;
    for (const Entry& entry : entries) {
        if (entry.kind != Entry::Value || entry.keyPath != path || !sameName(entry.name, name))
            continue;
        found = true;
        for (int i = entry.first; i < entry.first + entry.count; ++i)
            dropped[static_cast<size_t>(i)] = true;
    }
    return found && rewrite(dropped, -1, QStringList());
}

bool Hive::removeTree(const QStringList& components) {
    if (components.isEmpty() || !find(components))
        return false;
    const QString path = foldedPath(components);
    auto below = [](const QString& keyPath, const QString& base) {
        return keyPath == base || keyPath.startsWith(base + QLatin1Char('\\'));
    };
    const QStringList parent = components.mid(0, components.size() - 1);
    const QString parentPath = foldedPath(parent);
    bool parentNamed = parent.isEmpty();
    std::vector<bool> dropped(lines.size(), false);
    int firstDropped = -1;
    for (size_t k = 0; k < entries.size(); ++k) {
        const Entry& entry = entries[k];
        if (entry.kind != Entry::Key)
            continue;
        if (!below(entry.keyPath, path)) {
            parentNamed = parentNamed || below(entry.keyPath, parentPath);
            continue;
        }
        // The section runs to the next key line; comments right before that line speak of
        // the next section and stay.
        int end = static_cast<int>(lines.size());
        for (size_t next = k + 1; next < entries.size(); ++next) {
            if (entries[next].kind == Entry::Key) {
                end = entries[next].first;
                break;
            }
        }
        while (end > entry.first + 1 && isComment(lines[static_cast<size_t>(end - 1)].text))
            --end;
        for (int i = entry.first; i < end; ++i)
            dropped[static_cast<size_t>(i)] = true;
        if (firstDropped < 0)
            firstDropped = entry.first;
    }
    QStringList texts;
    if (!parentNamed) {
        // The key above would vanish with the last section that named it: it gets its own.
        texts << QLatin1Char('[') + rootName + QLatin1Char('\\');
        const HiveKey* key = &top;
        QStringList names;
        for (const QString& component : parent) {
            key = key->child(component);
            names << key->name;
        }
        texts.last() += names.join(QLatin1Char('\\')) + QLatin1Char(']');
        texts << QString();
    }
    // A key that exists is named by a section of its own or of a key below it.
    return rewrite(dropped, firstDropped, texts);
}

QByteArray Hive::serialize() const {
    QString text;
    for (const Line& line : lines)
        text += line.text + line.end;
    return encodeText(form.encoding, text);
}

} // namespace reg
} // namespace vds
