#include "OrvMediaManagerPlugin.h"

#include "playlists/PlaylistCatalogue.h"
#include "recent/RecentFileOperations.h"
#include "resources/SchemaResource.h"
#include "rows/AcquiredFileOperations.h"
#include "rows/VideoFileOperations.h"
#include "settings/PluginSettings.h"
#include "startup/LibraryStartup.h"

#include <cstring>

namespace VireoStudio {

const char OrvMediaManagerPlugin::kMediaManagerInterfaceId[] =
    "com.vireo.studio.pluginInterface.MediaManager";

OrvMediaManagerPlugin::OrvMediaManagerPlugin(PluginHost* host) : Tarn::Plugin(host) {
    ensureSettings();
    registerSchemaResource();
    // The recent-file cache keeps as many entries alive as the list holds.
    record = new LibraryContext(
        readIntSetting(kPlaybackGroup, kRecentFileMaximumKey, kRecentFileMaximumDefault));
    // A library that cannot be opened still yields a plugin; it then reports isOpen false.
    LibraryStartup(*this, *record).open(QString());
}

OrvMediaManagerPlugin::~OrvMediaManagerPlugin() {
    record->close();
    delete record;
    record = nullptr;
    releaseSettings();
}

int OrvMediaManagerPlugin::queryInterface(const PluginString& id, void** out) {
    if (out)
        *out = nullptr;
    const PluginString served(kMediaManagerInterfaceId);
    if (std::strcmp(id.c_str(), served.c_str()) != 0)
        return Tarn::ResultNotSupported;
    if (out)
        *out = static_cast<MediaManagerInterface*>(this);
    return Tarn::ResultOk;
}

bool OrvMediaManagerPlugin::resetInterruptedDownloads() {
    return AcquiredFileOperations::resetInterruptedDownloads(*this);
}

bool OrvMediaManagerPlugin::isOpen() {
    return record->isOpen();
}

bool OrvMediaManagerPlugin::beginTransaction() {
    return record->database().beginTransaction();
}

bool OrvMediaManagerPlugin::rollbackTransaction() {
    const bool rolledBack = record->database().rollbackTransaction();
    settleRollback();
    return rolledBack;
}

bool OrvMediaManagerPlugin::commitTransaction() {
    LibraryDatabase& database = record->database();
    if (database.commitTransaction()) {
        // What was stored in the nest is in the file for good now.
        if (!database.inTransaction())
            record->committed();
        return true;
    }
    // A commit that fails may have rolled the transaction back.
    settleRollback();
    return false;
}

// Playlist catalogue.

qint64 OrvMediaManagerPlugin::getPlaylistCount(int playlistType) {
    return PlaylistCatalogue::getPlaylistCount(*this, playlistType);
}

bool OrvMediaManagerPlugin::getPlaylistAt(int playlistType, quint64 index,
                                          PlaylistInterface** out) {
    return PlaylistCatalogue::getPlaylistAt(*this, playlistType, index, out);
}

bool OrvMediaManagerPlugin::getPlaylist(quint64 playlistId, PlaylistInterface** out) {
    return PlaylistCatalogue::getPlaylist(*this, playlistId, out);
}

bool OrvMediaManagerPlugin::findPlaylist(const QString& name, PlaylistInterface** out) {
    return PlaylistCatalogue::findPlaylist(*this, name, out);
}

bool OrvMediaManagerPlugin::newPlaylist(const QString& name, int mediaFileType,
                                        PlaylistInterface** out) {
    return PlaylistCatalogue::newPlaylist(*this, name, mediaFileType, out);
}

bool OrvMediaManagerPlugin::deletePlaylist(quint64 playlistId) {
    return PlaylistCatalogue::deletePlaylist(*this, playlistId);
}

bool OrvMediaManagerPlugin::addPlaylist(PlaylistInterface* playlist) {
    return PlaylistCatalogue::addPlaylist(*this, playlist);
}

bool OrvMediaManagerPlugin::getPlaylistIndex(int playlistType, const QString& name, qint64* index) {
    return PlaylistCatalogue::getPlaylistIndex(*this, playlistType, name, index);
}

// Video files.

bool OrvMediaManagerPlugin::findMediaFile(const QUrl& uri, MediaFileInterface** out) {
    return VideoFileOperations::findMediaFile(*this, uri, out);
}

bool OrvMediaManagerPlugin::getMediaFile(quint64 id, MediaFileInterface** out) {
    return VideoFileOperations::getMediaFile(*this, id, out);
}

bool OrvMediaManagerPlugin::saveVideoFile(VideoFileInterface* file) {
    return VideoFileOperations::saveVideoFile(*this, file);
}

bool OrvMediaManagerPlugin::newVideoFileForMediaFile(MediaFileInterface* media, quint64 size,
                                                     quint64 duration, VideoFileInterface** out) {
    return VideoFileOperations::newVideoFileForMediaFile(*this, media, size, duration, out);
}

bool OrvMediaManagerPlugin::newVideoFile(const QUrl& uri, const QString& title, quint64 size,
                                         quint64 duration, VideoFileInterface** out) {
    return VideoFileOperations::newVideoFile(*this, uri, title, size, duration, out);
}

bool OrvMediaManagerPlugin::deleteVideoFile(quint64 id) {
    return VideoFileOperations::deleteVideoFile(*this, id);
}

// Recent files.

bool OrvMediaManagerPlugin::getRecentFileCount(quint64* count) {
    return RecentFileOperations::getRecentFileCount(*this, count);
}

bool OrvMediaManagerPlugin::getRecentFile(quint64 id, RecentFileInterface** out) {
    return RecentFileOperations::getRecentFile(*this, id, out);
}

bool OrvMediaManagerPlugin::findRecentFile(const QUrl& url, RecentFileInterface** out) {
    return RecentFileOperations::findRecentFile(*this, url, out);
}

bool OrvMediaManagerPlugin::getRecentFileAt(quint64 index, RecentFileInterface** out) {
    return RecentFileOperations::getRecentFileAt(*this, index, out);
}

bool OrvMediaManagerPlugin::newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) {
    return RecentFileOperations::newRecentFileForNode(*this, nodeId, out);
}

bool OrvMediaManagerPlugin::newRecentFile(const QUrl& url, RecentFileInterface** out) {
    return RecentFileOperations::newRecentFile(*this, url, out);
}

bool OrvMediaManagerPlugin::saveRecentFile(RecentFileInterface* file) {
    return RecentFileOperations::saveRecentFile(*this, file);
}

bool OrvMediaManagerPlugin::updateRecentFile(RecentFileInterface* file) {
    return RecentFileOperations::updateRecentFile(*this, file);
}

bool OrvMediaManagerPlugin::deleteRecentFile(quint64 id) {
    return RecentFileOperations::deleteRecentFile(*this, id);
}

bool OrvMediaManagerPlugin::trimRecentFiles() {
    return RecentFileOperations::trimRecentFiles(*this);
}

// Acquired and queued files.

bool OrvMediaManagerPlugin::newAcquiredFile(const QUrl& uri, const QString& title,
                                            quint64 contentId, AcquiredFileInterface** out) {
    return AcquiredFileOperations::newAcquiredFile(*this, uri, title, contentId, out);
}

bool OrvMediaManagerPlugin::newAcquiredFileForMediaFile(MediaFileInterface* media,
                                                        AcquiredFileInterface** out) {
    return AcquiredFileOperations::newAcquiredFileForMediaFile(*this, media, out);
}

bool OrvMediaManagerPlugin::findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) {
    return AcquiredFileOperations::findAcquiredFile(*this, uri, out);
}

bool OrvMediaManagerPlugin::getAcquiredFile(quint64 id, AcquiredFileInterface** out) {
    return AcquiredFileOperations::getAcquiredFile(*this, id, out);
}

bool OrvMediaManagerPlugin::saveAcquiredFile(AcquiredFileInterface* file) {
    return AcquiredFileOperations::saveAcquiredFile(*this, file);
}

bool OrvMediaManagerPlugin::deleteAcquiredFile(quint64 id) {
    return AcquiredFileOperations::deleteAcquiredFile(*this, id);
}

bool OrvMediaManagerPlugin::findAcquiredFileByContentId(quint64 contentId,
                                                        AcquiredFileInterface** out) {
    return AcquiredFileOperations::findAcquiredFileByContentId(*this, contentId, out);
}

bool OrvMediaManagerPlugin::newQueuedFile(const QUrl& uri, const QString& title,
                                          const QUrl& downloadUrl, QueuedFileInterface** out) {
    return AcquiredFileOperations::newQueuedFile(*this, uri, title, downloadUrl, out);
}

bool OrvMediaManagerPlugin::getQueuedFile(quint64 id, QueuedFileInterface** out) {
    return AcquiredFileOperations::getQueuedFile(*this, id, out);
}

bool OrvMediaManagerPlugin::deleteQueuedFile(quint64 id) {
    return AcquiredFileOperations::deleteQueuedFile(*this, id);
}

} // namespace VireoStudio
