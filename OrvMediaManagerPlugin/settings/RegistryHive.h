#pragma once

// One hive of the settings registry held in memory, and its text form: the registry's export
// format ("Windows Registry Editor Version 5.00", or the older "REGEDIT4"), so that a person can
// read and edit the file. The hive keeps the text it was read from, and a change rewrites only
// the lines of what it changes: comments, blank lines, the order of keys and values, the
// encoding and the line ends stay as the person or tool that wrote the file left them.
// Key and value names compare without regard to case and keep the case they were first written
// with; of two lines giving one value, the later one holds.

#include "RegistryValueText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace vds {
namespace reg {

struct HiveValue {
    QString name; // empty for a key's default value ("@" in the text form)
    quint32 type = TypeNone;
    QByteArray data;
};

struct HiveKey {
    QString name;
    // Sub-keys by case-folded name, so they enumerate in name order.
    std::map<QString, std::unique_ptr<HiveKey>> children;
    // Values in the order they first appear.
    std::vector<HiveValue> values;

    HiveKey* child(const QString& childName) const;
    const HiveValue* value(const QString& valueName) const;
};

class Hive {
public:
    // rootName is how the text form names the hive, e.g. "HKEY_CURRENT_USER".
    explicit Hive(const QString& rootName);

    const HiveKey& root() const { return top; }
    // The key at a path of components below the root, or null.
    const HiveKey* find(const QStringList& components) const;

    // Changes. Each fails, changing nothing, when the file's encoding cannot hold a name or the
    // data (a REGEDIT4 file in the 8-bit code page), or the key it needs does not exist.
    // Makes the key at a path exist (with every key above it).
    bool create(const QStringList& components);
    // Deletes the key at a path with everything below it; false when it does not exist. The key
    // above it stays, even when nothing else in the file named it.
    bool removeTree(const QStringList& components);
    // Writes a value of an existing key: the line that gives it is replaced, or a new line
    // follows the key's last value.
    bool setValue(const QStringList& key, const QString& name, quint32 type,
                  const QByteArray& data);
    // Deletes every line that gives the value; false when there is none.
    bool removeValue(const QStringList& key, const QString& name);

    // Replaces the content with the text of a hive file. False, with a message naming the
    // line, when the text is not a well-formed export of this hive; the content is then empty.
    bool parse(const QByteArray& bytes, QString* error);
    // The text of the hive in the form it was read in (UTF-8 with LF line ends for a new file).
    QByteArray serialize() const;

private:
    // A line of the file without its line end ("\r\n", "\n", or nothing at the end of a file
    // that does not end with a line break).
    struct Line {
        QString text;
        QString end;
    };
    // What a run of lines is: the header, a [key] line, or one value (with its continuation
    // lines); comments and blank lines are not entries.
    struct Entry {
        enum Kind { Header, Key, Value } kind;
        int first;
        int count;
        QString keyPath; // the case-folded path of the key the line names or belongs to
        QString name;    // a value's name as this line writes it
    };

    // Builds the keys, values and entries from the lines.
    bool parseLines(QString* error);
    // Leaves out the dropped lines and puts texts before the line at insertAt (new lines take
    // the file's line end), then parses the result and keeps it. Changes nothing and fails
    // when the encoding cannot hold the texts or the result does not parse.
    bool rewrite(const std::vector<bool>& dropped, int insertAt, const QStringList& texts);
    bool replaceLines(int first, int count, const QStringList& texts);
    // The lines that start a section for the key at components: a blank line when the text
    // does not end with one, the header first in a file without it.
    QStringList sectionStart(const QStringList& components) const;
    QString lineEnd() const;
    bool encodable(const QStringList& texts) const;
    int lastSectionOf(const QString& keyPath) const;

    QString rootName;
    HiveKey top;
    TextForm form;
    std::vector<Line> lines;
    std::vector<Entry> entries;
};

} // namespace reg
} // namespace vds
