#pragma once

// The plugin object: the framework base for the host's plugin contract and the media-library
// interface. It owns the library's database record.

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"

#include <QList>
#include <QString>

namespace VireoStudio {

class LibraryContext;
struct ContentStamp;

class OrvMediaManagerPlugin : public Tarn::Plugin, public MediaManagerInterface {
public:
    // The one interface identifier the plugin serves.
    static const char kMediaManagerInterfaceId[];

    explicit OrvMediaManagerPlugin(PluginHost* host);
    ~OrvMediaManagerPlugin() override;

    int queryInterface(const PluginString& id, void** out) override;

    // Start-up: opens (creating or upgrading) the library at path, or at the default place
    // when path is empty. Closing: see LibraryContext::close.
    bool open(const QString& path);
    bool close();

    LibraryContext* context = nullptr;

    // Change notifications: take an id out of its live map, detach the object found there and,
    // when asked, publish the change on the host's hub.
    void forgetMediaFile(quint64 id, bool notify);
    void forgetAcquiredFile(quint64 id, bool notify);
    void forgetNode(quint64 id, bool notify);
    void forgetRecentFile(quint64 id);
    void forgetPlaylist(quint64 id, bool notify);

    // After a rollback (the host's, an operation's own, or one SQLite made by itself): rows
    // stored inside the undone transaction go back to being new and leave the live maps, and
    // what was read of playlists is read again. Does nothing when nothing rolled back.
    void settleRollback();

    // Called by a row whose count is about to fall from 2: when the other reference is the
    // live map's own, the row leaves the map silently and goes with that last release.
    void releaseHook(MediaFileInterface* row);
    void releaseHook(RecentFileInterface* row);
    void releaseHook(PlaylistInterface* row);

    // Reads the video files of the nodes (those that are not live) in one statement, for a
    // host walking a playlist that is about to ask for them one after the other: getMediaFile
    // hands them out for as long as the content stamp stays stamp, which the caller takes
    // before it reads the ids (so that a commit while they are read counts as a change).
    // Replaces what was read before; ids that are no video file are left to getMediaFile.
    void preloadMediaFiles(const QList<quint64>& nodeIds, const ContentStamp& stamp);

    // The node id stored for a URL (matched without regard to ASCII letter case).
    bool getNodeIdByUri(const QUrl& uri, quint64* id);

    // Live playlists that hold the node forget what they have read of their items.
    void invalidatePlaylistsOfNode(quint64 nodeId);
    // Keeps the system playlists in step: the node joins the playlists of the types in join
    // (appended last) and leaves those in leave, all in one transaction. A node stored just now
    // (newNode) is in no playlist yet, which spares looking.
    bool updateSystemPlaylists(quint64 nodeId, const QList<int>& join, const QList<int>& leave,
                               bool newNode = false);

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
};

} // namespace VireoStudio
