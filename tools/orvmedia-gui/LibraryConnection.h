#pragma once

// The window's connection to the library: the plugin loaded as the player loads it, the hub's
// change messages brought to the window's thread, and whether another program (orvmedia in a
// terminal, a scan of the window's own on its worker thread) has changed the library file since
// a moment. The plugin's row objects describe the file as its own connection last saw it, so a
// change made elsewhere is taken in by loading the plugin again.

#include "PluginSession.h"

#include <QObject>
#include <QString>

#include <memory>

class LibraryConnection : public QObject {
    Q_OBJECT
public:
    explicit LibraryConnection(QObject* parent = nullptr);
    ~LibraryConnection() override;

    // Loads the plugin and opens the library; false with error set when either fails.
    bool open(QString* error);
    // Drops the plugin and loads it again. Every row object must have been released.
    bool reopen(QString* error);
    VireoStudio::MediaManagerInterface* library() const;
    static QString libraryFile() { return PluginSession::libraryFile(); }

    // Notes the library file as it is now.
    void markFile();
    // Whether the file changed since it was last noted.
    bool fileChanged() const;

signals:
    void itemChanged(quint64 nodeId);
    void listChanged(quint64 playlistId);

private:
    struct FileState {
        qint64 modifiedNs = -1;
        qint64 size = -1;
        quint64 inode = 0;
        bool operator==(const FileState& other) const {
            return modifiedNs == other.modifiedNs && size == other.size && inode == other.inode;
        }
    };
    static FileState stateNow();

    std::unique_ptr<PluginSession> session;
    int subscription = 0;
    FileState marked;
};
