#pragma once

// Discovery: the walk over the paths a scan is given, listing the regular files below them.
// It never opens a file (only folders, to list them), so a FIFO or a device named x.mkv cannot
// hang it; it skips hidden files and folders below the paths given, never follows a symbolic
// link into a loop, and lists each file once however many paths reach it.

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <sys/types.h>
#include <unordered_set>
#include <utility>

// A regular file the walk found, with what the file system says of it.
struct FoundFile {
    QByteArray path; // absolute, as reached (a symbolic link keeps its own name)
    qint64 size = 0;
    qint64 modifiedNs = 0;
};

// A path the walk passed over, and why: it is no regular file, or it cannot be read.
struct PassedOver {
    QByteArray path;
    bool unreadable = false; // else: readable, but not a file that could be a video
    QString reason;
};

class Discovery {
public:
    struct Options {
        bool recurse = true; // false: the files of a folder given, not those of its subfolders
    };

    explicit Discovery(Options options) : options(options) {}

    // Walks one path (absolute): a file, or a folder and what is below it. Calls found for
    // every regular file not found before, and passedOver for everything else worth telling.
    // Ends early once stop (when given) is set.
    void walk(const QByteArray& path, const std::function<void(FoundFile&&)>& found,
              const std::function<void(PassedOver&&)>& passedOver,
              const std::atomic<bool>* stop = nullptr);

private:
    struct Identity {
        dev_t device;
        ino_t inode;
        bool operator==(const Identity& other) const {
            return device == other.device && inode == other.inode;
        }
    };
    struct IdentityHash {
        size_t operator()(const Identity& identity) const {
            return std::hash<quint64>()(quint64(identity.inode) * 31 + quint64(identity.device));
        }
    };

    // Lists one folder; its subfolders (when recursing) are added to pending.
    void list(const QByteArray& folder, QList<QByteArray>* pending,
              const std::function<void(FoundFile&&)>& found,
              const std::function<void(PassedOver&&)>& passedOver);

    Options options;
    std::unordered_set<Identity, IdentityHash> files;   // found already
    std::unordered_set<Identity, IdentityHash> folders; // listed already
};
