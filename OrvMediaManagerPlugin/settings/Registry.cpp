#include "Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>

namespace vds {
namespace reg {

// A handle names its key by path; each call looks the key up in the current file content.
struct OpenKey {
    Root root;
    QString file;
    QStringList components;
    Access access;
};

namespace {

const char kHiveFile[] = "/Vireo/registry.reg";
// How long a writer waits for another process to finish replacing the same hive file.
const int kLockTimeoutMs = 5000;

// Serialises this process's reads and writes of the hive files.
std::mutex hiveMutex;

QString rootName(Root root) {
    return root == Root::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                      : QStringLiteral("HKEY_CURRENT_USER");
}

// A relative or empty folder in an XDG variable is ignored, as the XDG rules ask.
QString absoluteFolder(const QString& folder) {
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) ? folder : QString();
}

bool validName(const QString& name) {
    for (const QChar c : name) {
        if (c == QChar(0) || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

// Splits a key path into its components; an empty path is the hive's root.
Status splitPath(const QString& path, QStringList* components) {
    components->clear();
    if (path.isEmpty())
        return Ok;
    *components = path.split(QLatin1Char('\\'));
    for (const QString& component : *components) {
        if (component.isEmpty() || !validName(component))
            return InvalidName;
    }
    return Ok;
}

// A missing file is an empty hive.
Status loadHive(const QString& file, Hive* hive, QString* error) {
    QFile in(file);
    if (!in.exists())
        return Ok;
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1 cannot be opened (%2)").arg(file, in.errorString());
        return Unreadable;
    }
    const QByteArray bytes = in.readAll();
    QString why;
    if (in.error() != QFileDevice::NoError || !hive->parse(bytes, &why)) {
        if (error)
            *error = QStringLiteral("%1 is damaged: %2")
                         .arg(file, why.isEmpty() ? in.errorString() : why);
        return Unreadable;
    }
    return Ok;
}

Status saveHive(const QString& file, const Hive& hive) {
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return WriteFailed;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return WriteFailed;
    const QByteArray text = hive.serialize();
    if (out.write(text) != text.size() || !out.commit())
        return WriteFailed;
    return Ok;
}

// What a hive file looked like when it was read: which file, its size and its times.
struct FileLook {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileLook& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

bool lookAt(const QString& file, FileLook* look) {
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return false;
    look->device = info.st_dev;
    look->inode = info.st_ino;
    look->size = info.st_size;
    look->modified = info.st_mtim;
    look->changed = info.st_ctim;
    return true;
}

// File systems stamp times coarsely (FAT to two seconds): a file changed this recently before
// it was read could change again, keeping its look, without that showing.
const time_t kSettledSeconds = 3;

// The hive files as last read, by path. A file whose look is unchanged since it was read (and
// which had settled then) holds the same text, so reading a value does not read and parse the
// file again; a write by another process changes the look, and the next read sees it.
struct ReadHive {
    FileLook look;
    std::unique_ptr<Hive> hive;
};
std::map<QString, ReadHive> readHives;
const std::size_t kReadHivesKept = 4;

// Runs read on the current content of the hive file.
template <typename Read> Status readHive(Root root, const QString& file, Read read) {
    const std::lock_guard<std::mutex> locker(hiveMutex);
    FileLook look;
    const bool exists = lookAt(file, &look);
    const auto kept = readHives.find(file);
    if (exists && kept != readHives.end() && kept->second.look == look)
        return read(*kept->second.hive);
    if (kept != readHives.end())
        readHives.erase(kept);

    auto hive = std::make_unique<Hive>(rootName(root));
    const Status loaded = loadHive(file, hive.get(), nullptr);
    if (loaded != Ok)
        return loaded;
    const Status result = read(*hive);
    const time_t settledBefore = std::time(nullptr) - kSettledSeconds;
    if (exists && look.modified.tv_sec < settledBefore) {
        if (readHives.size() >= kReadHivesKept)
            readHives.clear();
        readHives[file] = ReadHive{look, std::move(hive)};
    }
    return result;
}

// Runs change on the current content and writes the file back when change reports that it
// changed something. The lock file keeps other processes from interleaving their own change.
template <typename Change> Status changeHive(Root root, const QString& file, Change change) {
    const std::lock_guard<std::mutex> locker(hiveMutex);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return WriteFailed;
    QLockFile lock(file + QLatin1String(".lock"));
    if (!lock.tryLock(kLockTimeoutMs))
        return WriteFailed;
    Hive hive(rootName(root));
    const Status loaded = loadHive(file, &hive, nullptr);
    if (loaded != Ok)
        return loaded;
    bool changed = false;
    const Status result = change(hive, changed);
    if (result != Ok || !changed)
        return result;
    readHives.erase(file);
    return saveHive(file, hive);
}

} // namespace

QString hiveFilePath(Root root) {
    if (root == Root::LocalMachine) {
        QString first;
        const QStringList dirs = QFile::decodeName(qgetenv("XDG_CONFIG_DIRS"))
                                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString& dir : dirs) {
            first = absoluteFolder(dir);
            if (!first.isEmpty())
                break;
        }
        if (first.isEmpty())
            first = QStringLiteral("/etc/xdg");
        return first + QLatin1String(kHiveFile);
    }
    QString home = absoluteFolder(QFile::decodeName(qgetenv("XDG_CONFIG_HOME")));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.config");
    return home + QLatin1String(kHiveFile);
}

bool checkHive(Root root, QString* error) {
    const std::lock_guard<std::mutex> locker(hiveMutex);
    Hive hive(rootName(root));
    return loadHive(hiveFilePath(root), &hive, error) == Ok;
}

Status openKey(Root root, const QString& path, Access access, KeyHandle* key) {
    if (!key || root == Root::None)
        return InvalidName;
    QStringList components;
    if (splitPath(path, &components) != Ok)
        return InvalidName;
    const QString file = hiveFilePath(root);
    const Status status =
        readHive(root, file, [&](Hive& hive) { return hive.find(components) ? Ok : NotFound; });
    if (status != Ok)
        return status;
    *key = new OpenKey{root, file, components, access};
    return Ok;
}

Status createKey(Root root, const QString& path, Access access, KeyHandle* key) {
    if (!key || root == Root::None)
        return InvalidName;
    QStringList components;
    if (splitPath(path, &components) != Ok)
        return InvalidName;
    const QString file = hiveFilePath(root);
    // A key that exists already is only opened: the file is not rewritten.
    Status status =
        readHive(root, file, [&](Hive& hive) { return hive.find(components) ? Ok : NotFound; });
    if (status == NotFound) {
        status = changeHive(root, file, [&](Hive& hive, bool& changed) {
            if (hive.find(components))
                return Ok;
            if (!hive.create(components))
                return InvalidName;
            changed = true;
            return Ok;
        });
    }
    if (status != Ok)
        return status;
    *key = new OpenKey{root, file, components, access};
    return Ok;
}

void closeKey(KeyHandle key) {
    delete key;
}

Status queryValue(KeyHandle key, const QString& name, quint32* type, quint32* size) {
    if (!key)
        return InvalidName;
    return readHive(key->root, key->file, [&](Hive& hive) {
        const HiveKey* found = hive.find(key->components);
        if (!found)
            return KeyDeleted;
        const HiveValue* value = found->value(name);
        if (!value)
            return NotFound;
        if (type)
            *type = value->type;
        if (size)
            *size = static_cast<quint32>(value->data.size());
        return Ok;
    });
}

Status readValue(KeyHandle key, const QString& name, quint32* type, void* buffer, quint32* size) {
    if (!key || !size || (*size > 0 && !buffer))
        return InvalidName;
    return readHive(key->root, key->file, [&](Hive& hive) {
        const HiveKey* found = hive.find(key->components);
        if (!found)
            return KeyDeleted;
        const HiveValue* value = found->value(name);
        if (!value)
            return NotFound;
        const quint32 needed = static_cast<quint32>(value->data.size());
        const quint32 capacity = *size;
        *size = needed;
        if (type)
            *type = value->type;
        if (needed > capacity)
            return MoreData;
        if (needed > 0)
            std::memcpy(buffer, value->data.constData(), needed);
        return Ok;
    });
}

Status writeValue(KeyHandle key, const QString& name, quint32 type, const void* data,
                  quint32 size) {
    if (!key || (size > 0 && !data) || !validName(name))
        return InvalidName;
    if (key->access != Access::Full)
        return AccessDenied;
    const QByteArray bytes(static_cast<const char*>(data), static_cast<int>(size));
    return changeHive(key->root, key->file, [&](Hive& hive, bool& changed) {
        if (!hive.find(key->components))
            return KeyDeleted;
        if (!hive.setValue(key->components, name, type, bytes))
            return InvalidName;
        changed = true;
        return Ok;
    });
}

Status deleteValue(KeyHandle key, const QString& name) {
    if (!key)
        return InvalidName;
    if (key->access != Access::Full)
        return AccessDenied;
    return changeHive(key->root, key->file, [&](Hive& hive, bool& changed) {
        if (!hive.find(key->components))
            return KeyDeleted;
        changed = hive.removeValue(key->components, name);
        return changed ? Ok : NotFound;
    });
}

Status enumSubKeys(KeyHandle key, QStringList* names) {
    if (!key || !names)
        return InvalidName;
    return readHive(key->root, key->file, [&](Hive& hive) {
        const HiveKey* found = hive.find(key->components);
        if (!found)
            return KeyDeleted;
        names->clear();
        for (const auto& entry : found->children)
            names->append(entry.second->name);
        return Ok;
    });
}

Status enumValues(KeyHandle key, QStringList* names) {
    if (!key || !names)
        return InvalidName;
    return readHive(key->root, key->file, [&](Hive& hive) {
        const HiveKey* found = hive.find(key->components);
        if (!found)
            return KeyDeleted;
        names->clear();
        for (const HiveValue& value : found->values)
            names->append(value.name);
        return Ok;
    });
}

Status deleteKeyTree(Root root, const QString& path) {
    QStringList components;
    // The hive's root itself is never deleted.
    if (root == Root::None || splitPath(path, &components) != Ok || components.isEmpty())
        return InvalidName;
    return changeHive(root, hiveFilePath(root), [&](Hive& hive, bool& changed) {
        changed = hive.removeTree(components);
        return changed ? Ok : NotFound;
    });
}

} // namespace reg
} // namespace vds
