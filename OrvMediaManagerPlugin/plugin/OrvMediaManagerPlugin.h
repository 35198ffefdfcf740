#pragma once

// The plugin object: the framework base for the host's plugin contract and the media-library
// interface, whose operations it hands to the subsystem that owns them. It owns the library's
// record and is the owner its row objects reach it through.

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"
#include "rows/RowOwner.h"

#include <QString>

namespace VireoStudio {

class OrvMediaManagerPlugin : public Tarn::Plugin, public MediaManagerInterface, private RowOwner {
public:
    // The one interface identifier the plugin serves.
    static const char kMediaManagerInterfaceId[];

    explicit OrvMediaManagerPlugin(PluginHost* host);
    ~OrvMediaManagerPlugin() override;

    int queryInterface(const PluginString& id, void** out) override;

    // Connection and transactions.
    bool resetInterruptedDownloads() override;
    bool isOpen() override;
    bool beginTransaction() override;
    bool rollbackTransaction() override;
    bool commitTransaction() override;

    // Playlist catalogue.
    qint64 getPlaylistCount(int playlistType) override;
    bool getPlaylistAt(int playlistType, quint64 index, PlaylistInterface** out) override;
    bool getPlaylist(quint64 playlistId, PlaylistInterface** out) override;
    bool findPlaylist(const QString& name, PlaylistInterface** out) override;
    bool newPlaylist(const QString& name, int mediaFileType, PlaylistInterface** out) override;
    bool deletePlaylist(quint64 playlistId) override;
    bool addPlaylist(PlaylistInterface* playlist) override;
    bool getPlaylistIndex(int playlistType, const QString& name, qint64* index) override;

    // Video files.
    bool findMediaFile(const QUrl& uri, MediaFileInterface** out) override;
    bool getMediaFile(quint64 id, MediaFileInterface** out) override;
    bool saveVideoFile(VideoFileInterface* file) override;
    bool newVideoFileForMediaFile(MediaFileInterface* media, quint64 size, quint64 duration,
                                  VideoFileInterface** out) override;
    bool newVideoFile(const QUrl& uri, const QString& title, quint64 size, quint64 duration,
                      VideoFileInterface** out) override;
    bool deleteVideoFile(quint64 id) override;

    // Recent files.
    bool getRecentFileCount(quint64* count) override;
    bool getRecentFile(quint64 id, RecentFileInterface** out) override;
    bool findRecentFile(const QUrl& url, RecentFileInterface** out) override;
    bool getRecentFileAt(quint64 index, RecentFileInterface** out) override;
    bool newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) override;
    bool newRecentFile(const QUrl& url, RecentFileInterface** out) override;
    bool saveRecentFile(RecentFileInterface* file) override;
    bool updateRecentFile(RecentFileInterface* file) override;
    bool deleteRecentFile(quint64 id) override;
    bool trimRecentFiles() override;

    // Acquired and queued files.
    bool newAcquiredFile(const QUrl& uri, const QString& title, quint64 contentId,
                         AcquiredFileInterface** out) override;
    bool newAcquiredFileForMediaFile(MediaFileInterface* media,
                                     AcquiredFileInterface** out) override;
    bool findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) override;
    bool getAcquiredFile(quint64 id, AcquiredFileInterface** out) override;
    bool saveAcquiredFile(AcquiredFileInterface* file) override;
    bool deleteAcquiredFile(quint64 id) override;
    bool findAcquiredFileByContentId(quint64 contentId, AcquiredFileInterface** out) override;
    bool newQueuedFile(const QUrl& uri, const QString& title, const QUrl& downloadUrl,
                       QueuedFileInterface** out) override;
    bool getQueuedFile(quint64 id, QueuedFileInterface** out) override;
    bool deleteQueuedFile(quint64 id) override;

private:
    // RowOwner
    MediaManagerInterface& library() override { return *this; }
    LibraryContext& context() override { return *record; }
    void settleRollback() override;

    // Owned. Deleted through a pointer that stays valid meanwhile: rows released while the
    // record goes still reach it through context().
    LibraryContext* record = nullptr;
};

} // namespace VireoStudio
