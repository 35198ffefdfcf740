#pragma once

// The registry calls the settings store makes, in the shape of the platform registry API so that
// a Windows build can put the real registry behind them. Here each of the two hives is a text
// file in the registry's export format:
//   per-user:     $XDG_CONFIG_HOME/Vireo/registry.reg (else ~/.config/Vireo/registry.reg)
//   machine-wide: the first folder of $XDG_CONFIG_DIRS (else /etc/xdg), then /Vireo/registry.reg
// Every call looks at the file; one that is the same file with the same size and times as at
// its last read (and had not been changed in the seconds before that read) is not read again,
// so changes made by another process are still seen at once. Writes replace the file
// atomically under a lock file. A hive file that cannot be parsed makes every call on that hive
// fail and is never overwritten.

#include "RegistryHive.h"

#include <QString>
#include <QStringList>

namespace vds {
namespace reg {

enum class Root { None, CurrentUser, LocalMachine };
enum class Access { Read, Full };

enum Status {
    Ok,
    NotFound,     // no such key or value
    KeyDeleted,   // the key of an open handle no longer exists
    AccessDenied, // a write through a handle opened for reading
    InvalidName,  // an empty key name component, or a name or value the file cannot hold
    MoreData,     // the buffer is smaller than the value
    Unreadable,   // the hive file cannot be read or parsed
    WriteFailed,  // the hive file cannot be locked or replaced
};

struct OpenKey;
typedef OpenKey* KeyHandle;

// The file that holds a hive, from the environment at the time of the call.
QString hiveFilePath(Root root);
// Whether the hive's file can be read (a missing file is an empty hive); on false, error tells
// which file and why.
bool checkHive(Root root, QString* error);

// Opens an existing key; path is below the hive, components separated by "\".
Status openKey(Root root, const QString& path, Access access, KeyHandle* key);
// Opens a key, creating it and every missing key above it.
Status createKey(Root root, const QString& path, Access access, KeyHandle* key);
void closeKey(KeyHandle key);

// The type and size in bytes of a value.
Status queryValue(KeyHandle key, const QString& name, quint32* type, quint32* size);
// Reads a value into buffer. *size gives the buffer's capacity and receives the value's size;
// MoreData when the value does not fit (nothing is copied then).
Status readValue(KeyHandle key, const QString& name, quint32* type, void* buffer, quint32* size);
Status writeValue(KeyHandle key, const QString& name, quint32 type, const void* data, quint32 size);
Status deleteValue(KeyHandle key, const QString& name);
// Names of the sub-keys, in name order, and of the values, in the order they were written.
Status enumSubKeys(KeyHandle key, QStringList* names);
Status enumValues(KeyHandle key, QStringList* names);
// Deletes a key with everything below it.
Status deleteKeyTree(Root root, const QString& path);

// Closes a key handle when it goes out of scope.
class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() { reset(); }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    KeyHandle get() const { return key; }
    KeyHandle* receive() {
        reset();
        return &key;
    }
    void reset() {
        closeKey(key);
        key = nullptr;
    }

private:
    KeyHandle key = nullptr;
};

} // namespace reg
} // namespace vds
