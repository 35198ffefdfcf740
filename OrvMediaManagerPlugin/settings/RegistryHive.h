#pragma once

// One hive of the settings registry held in memory, and its text form: the registry's export
// format ("Windows Registry Editor Version 5.00"), so that a person can read and edit the file.
// Key and value names compare without regard to case and keep the case they were written with.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace vds {
namespace reg {

// Value types, numbered as the registry numbers them (the text form names them "hex(N)").
enum ValueType : quint32 {
    TypeNone = 0,
    TypeString = 1,
    TypeExpandString = 2,
    TypeBinary = 3,
    TypeDWord = 4,
    TypeMultiString = 7,
    TypeQWord = 11,
};

struct HiveValue {
    QString name; // empty for a key's default value ("@" in the text form)
    quint32 type = TypeNone;
    QByteArray data;
};

struct HiveKey {
    QString name;
    // Sub-keys by case-folded name, so they enumerate in name order.
    std::map<QString, std::unique_ptr<HiveKey>> children;
    // Values in the order they were first written.
    std::vector<HiveValue> values;

    HiveKey* child(const QString& childName) const;
    // The sub-key of that name, created when missing.
    HiveKey* addChild(const QString& childName);
    bool removeChild(const QString& childName);
    const HiveValue* value(const QString& valueName) const;
    void setValue(const QString& valueName, quint32 type, const QByteArray& data);
    bool removeValue(const QString& valueName);
};

class Hive {
public:
    // rootName is how the text form names the hive, e.g. "HKEY_CURRENT_USER".
    explicit Hive(const QString& rootName);

    HiveKey& root() { return top; }
    // The key at a path of components below the root, or null.
    HiveKey* find(const QStringList& components);
    // The key at a path, created with every missing key above it.
    HiveKey* create(const QStringList& components);
    // Deletes the key at a path with everything below it; false when it does not exist.
    bool removeTree(const QStringList& components);

    // Replaces the content with the text of a hive file. False, with a message naming the
    // line, when the text is not a well-formed export of this hive; the content is then empty.
    bool parse(const QByteArray& text, QString* error);
    // The text form of the whole hive, UTF-8 with LF line ends.
    QByteArray serialize() const;

private:
    QString rootName;
    HiveKey top;
};

} // namespace reg
} // namespace vds
