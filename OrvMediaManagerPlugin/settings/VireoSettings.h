#pragma once

// One node of the player's settings tree below "SOFTWARE\Vireo\", kept in the registry: a
// per-user key and, depending on the open mode, a machine-wide key of the same path. A per-user
// value overrides a machine-wide value of the same name. Keys are opened lazily: every
// operation first opens the handles its mode needs that are not open yet. The empty value name
// is the key's default value, as in the registry; an 8-bit name that is not well-formed UTF-8
// fails the operation.

#include "Registry.h"
#include "host/VireoSettings.h"

#include <QByteArray>
#include <QString>

#include <map>

namespace vds {

class VireoSettings : public IVireoSettings {
public:
    // The key path below which every node without a parent lives.
    static const QString& settingsRoot();

    // A node named name: below settingsRoot() without a parent, else below the parent, which
    // then holds it among its children (replacing a child of the same name).
    VireoSettings(const QString& name, int mode, VireoSettings* parent);
    ~VireoSettings() override;

    VireoSettings(const VireoSettings&) = delete;
    VireoSettings& operator=(const VireoSettings&) = delete;

    // A node without a parent at any key path; the tree's own nodes come from openSettings.
    static VireoSettings* atKeyPath(const QString& keyPath, int mode);

    int addRef() override;
    int release() override;
    int refCount() const override;

    bool getName(QString& name) override;
    bool getName(QByteArray& name) override;
    bool getChildCount(quint32& count) override;
    bool getChildNames(std::set<QString>& names) override;
    bool getChildNames(std::set<QByteArray>& names) override;
    bool getChild(const QString& name, IVireoSettings** child) override;
    bool getChild(const char* name, IVireoSettings** child) override;
    bool getValueCount(quint32& count) override;
    bool getValueNames(std::set<QString>& names) override;
    bool getValueNames(std::set<QByteArray>& names) override;

    bool setInt64(const QString& name, qint64 value) override;
    bool setInt64(const char* name, qint64 value) override;
    bool setInt(const QString& name, qint32 value) override;
    bool setInt(const char* name, qint32 value) override;
    bool setUInt(const QString& name, quint32 value) override;
    bool setUInt(const char* name, quint32 value) override;
    bool setUInt64(const QString& name, quint64 value) override;
    bool setUInt64(const char* name, quint64 value) override;
    bool setLong(const QString& name, long value) override;
    bool setLong(const char* name, long value) override;
    bool setFloat(const QString& name, float value) override;
    bool setFloat(const char* name, float value) override;
    bool setDouble(const QString& name, double value) override;
    bool setDouble(const char* name, double value) override;
    bool setBool(const QString& name, bool value) override;
    bool setBool(const char* name, bool value) override;
    bool setString(const QString& name, const char* value) override;
    bool setString(const char* name, const char* value) override;
    bool setString(const QString& name, const QString& value) override;
    bool setString(const char* name, const QString& value) override;
    bool setBinary(const QString& name, const void* data, quint32 length) override;
    bool setBinary(const char* name, const void* data, quint32 length) override;

    bool getInt64(const QString& name, qint64& value) override;
    bool getInt64(const char* name, qint64& value) override;
    bool getInt(const QString& name, qint32& value) override;
    bool getInt(const char* name, qint32& value) override;
    bool getInt(const QString& name, quint32& value) override;
    bool getInt(const char* name, quint32& value) override;
    bool getUInt64(const QString& name, quint64& value) override;
    bool getUInt64(const char* name, quint64& value) override;
    bool getLong(const QString& name, long& value) override;
    bool getLong(const char* name, long& value) override;
    bool getFloat(const QString& name, float& value) override;
    bool getFloat(const char* name, float& value) override;
    bool getDouble(const QString& name, double& value) override;
    bool getDouble(const char* name, double& value) override;
    bool getBool(const QString& name, bool& value) override;
    bool getBool(const char* name, bool& value) override;
    bool getString(const QString& name, QByteArray& value) override;
    bool getString(const char* name, QByteArray& value) override;
    bool getString(const QString& name, QString& value) override;
    bool getString(const char* name, QString& value) override;
    bool getBinary(const QString& name, QByteArray& value) override;
    bool getBinary(const char* name, QByteArray& value) override;

    bool remove() override;
    bool deleteValue(const QString& name) override;
    bool deleteValue(const char* name) override;

    // Outside the interface, for tools that show and edit values of any type: a value as
    // stored, found as the typed getters find it (fromMachine tells which key held it), and a
    // value written with an explicit registry type.
    bool readTypedValue(const QString& name, quint32& type, QByteArray& data,
                        bool* fromMachine = nullptr);
    bool writeTypedValue(const QString& name, quint32 type, const QByteArray& data);
    const QString& keyPath() const { return path; }

private:
    friend bool openSettings(const QString& path, int mode, VireoSettings* parent,
                             IVireoSettings** node);

    VireoSettings(const QString& keyPath, const QString& name, int mode);

    bool open();
    void closeKeys();
    reg::KeyHandle primaryKey() const;
    bool machineIsPrimary() const;
    bool write(const QString& name, quint32 type, const void* data, quint32 size);
    // Reads the first value of that name that accept takes (primary key first, then the
    // machine-wide key); a value whose size changes between query and read counts as missing.
    bool read(const QString& name, bool (*accept)(quint32 type, quint32 size), QByteArray& data,
              quint32* type = nullptr, bool* fromMachine = nullptr);
    bool readInteger(const QString& name, bool isSigned, quint64& value);
    bool collectNames(bool subKeys, std::set<QString>& names);

    int refs = 0;
    QString path;
    QString name;
    int mode;
    reg::Root root = reg::Root::None;
    reg::ScopedKey userKey;
    reg::ScopedKey machineKey;
    std::map<QString, vtl::RefCountedPtr<VireoSettings>> children;
};

// Opens a node of the settings tree. "/" or "\" separate nodes in path; every node on the way is
// built below parent (or below the tree's root when parent is null), and only the last one is
// opened. On success *node receives it with one reference.
bool openSettings(const QString& path, int mode, VireoSettings* parent, IVireoSettings** node);
bool openSettings(const char* path, int mode, VireoSettings* parent, IVireoSettings** node);

// UTF-8 to UTF-16. A malformed or truncated sequence, an overlong form, an encoded surrogate or
// a code point above U+10FFFF fails the conversion and leaves text empty.
bool utf8ToUtf16(const char* utf8, QString& text);

} // namespace vds
