#pragma once

// The host's handle on one playlist: its own fields and its items in play order. The object
// remembers the node ids it has read by position and its item count until something changes.

#include "database/ContentStamp.h"
#include "playlists/PlaylistTypes.h"
#include "rows/Row.h"
#include "rows/RowCache.h"

#include <QList>

#include <atomic>

namespace VireoStudio {

class Playlist : public Row<MediaManagerInterface::PlaylistInterface> {
public:
    typedef MediaManagerInterface M;

    // Playlist types of the library.
    enum Type {
        TypeAll = PlaylistTypes::kAllFiles,
        TypeVideo = PlaylistTypes::kVideos,
        TypeQueue = PlaylistTypes::kQueue,
        TypeAcquired = PlaylistTypes::kAcquired,
        TypeRecent = PlaylistTypes::kRecent,
        TypeUser = PlaylistTypes::kUser
    };
    // The id of the in-memory playlist of recent files (all 64 bits set).
    static constexpr quint64 kRecentListId = ~quint64(0);
    static constexpr int kDefaultSortFlags = 2;
    static constexpr int kRecentListSortFlags = 29;

    // A stored playlist (or the in-memory one).
    Playlist(RowOwner* owner, const QString& name, quint64 id, int mediaFileType);
    // A new playlist, not stored yet.
    Playlist(RowOwner* owner, const QString& name, int mediaFileType);

    bool save() override;
    bool remove() override;
    quint64 getId() const override;
    bool isNew() const override;
    int getPlaylistType() const override;
    int getMediaFileType() const override;
    bool isNotAcquiredOrRecent() const override;
    bool isSortable() const override;
    qint64 getIndex() override;
    bool isNameNull() const override;
    QString getName() const override;
    bool setName(const QString& name) override;
    bool sort(int flags) override;
    M::SortFlags getSortFlags() const override;
    qint64 getItemCount() override;
    bool getQueuedFileAt(quint64 position, M::QueuedFileInterface** out) override;
    bool getAcquiredFileAt(quint64 position, M::AcquiredFileInterface** out) override;
    bool getRecentFileAtPosition(quint64 position, M::RecentFileInterface** out) override;
    bool getMediaFileAt(quint64 position, M::MediaFileInterface** out) override;
    bool findQueuedFile(const QUrl& url, M::QueuedFileInterface** out) override;
    bool findAcquiredFileInList(const QUrl& url, M::AcquiredFileInterface** out) override;
    bool findRecentFileInList(const QUrl& url, M::RecentFileInterface** out) override;
    bool findMediaFileInList(const QUrl& url, M::MediaFileInterface** out) override;
    bool findMediaFilesMatching(const QUrl& pattern, M::MediaFileList& files) override;
    bool findQueuedFileByDownloadUrl(const QUrl& url, M::QueuedFileInterface** out) override;
    bool containsNode(quint64 nodeId) override;
    bool removeNode(quint64 nodeId) override;
    bool removeAt(quint64 position) override;
    bool insertNodeAt(quint64 position, quint64 nodeId) override;
    bool insertStoredFileAt(quint64 position, M::NodeInterface* file) override;
    bool insertFileAt(quint64 position, M::NodeInterface* file) override;
    qint64 getTotalSize() override;
    qint64 getTotalDuration() override;

    // Forgets what was read of the items: positions and count are read again on next use.
    void invalidateItems();

    QVariant id;            // playlist_id, unsigned 64-bit
    QVariant name;          // text; null for the built-in playlists
    QVariant playlistType;  // int
    QVariant mediaFileType; // int
    QVariant sortFlags;     // int

private:
    enum FileKind { MediaFileKind, AcquiredFileKind };
    // The node id at a position, from the item cache, the items read ahead or the database;
    // false when none.
    // now: the content stamp the answer was checked by (unset when none was taken).
    bool nodeIdAt(quint64 position, FileKind kind, quint64* nodeId, ContentStamp* now);
    // Reads the node ids of the items from position on, as many as fit the read-ahead;
    // false when the statement fails. A host that walks on from the items read last gets the
    // next ones' files of the kind read ahead too.
    bool readAhead(quint64 position, FileKind kind);
    bool isType(int type) const { return playlistType.toInt() == type; }
    // insertNodeAt on a list whose orders are known to be 0 .. n - 1: only the items behind
    // the place move. False in handled when it cannot tell, and the whole list is renumbered.
    bool insertIntoOrderedList(quint64 position, quint64 nodeId, bool* handled);
    // insertNodeAt by reading every item and writing the orders that change.
    bool insertRenumberingAll(quint64 position, quint64 nodeId);

    RowCache<quint64, quint64> itemCache;
    // The play orders as the last insertNodeAt left them, 0 .. orderedItems - 1 with one item
    // each (-1: not known); they hold while the library's content stamp is orderedStamp.
    qint64 orderedItems = -1;
    ContentStamp orderedStamp;
    // Node ids of the items from position readAheadFrom on, read in one statement while the
    // host walks the list; they hold while the content stamp is readAheadStamp. The play order
    // and id of the last one read carry the next read on from there.
    QList<quint64> readAheadNodes;
    quint64 readAheadFrom = 0;
    QVariant readAheadLastOrder;
    qint64 readAheadLastItem = 0;
    ContentStamp readAheadStamp;
    // Read without the lock, while an operation on another thread may be invalidating it.
    std::atomic<qint64> itemCount{-1};
};

} // namespace VireoStudio
