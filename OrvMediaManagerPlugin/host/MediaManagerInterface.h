#pragma once

/// @file
/// The host's media-library interface and its row interfaces, in the order of their virtual
/// operations. The host library supplies the constructors and virtual destructors.

#include "DownloadInfo.h"
#include "HostExport.h"
#include "RefCounted.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

/// Accessor families of numeric row fields: a null test, four getters (unsigned 64, signed 64,
/// unsigned 32, signed 32; 0 for a null or unconvertible value) and two setters (signed 64,
/// then unsigned 64). Every setter and clear returns true.
#define VIREO_NUMERIC_GETTERS(Name)                                                                \
    virtual bool is##Name##Null() const = 0;                                                       \
    virtual quint64 get##Name##AsUInt64() const = 0;                                               \
    virtual qint64 get##Name##AsInt64() const = 0;                                                 \
    virtual quint32 get##Name##AsUInt32() const = 0;                                               \
    virtual qint32 get##Name##AsInt32() const = 0;                                                 \
    virtual bool set##Name(qint64 value) = 0;                                                      \
    virtual bool set##Name(quint64 value) = 0;
/// The numeric accessor family and a clear, which makes the field null.
#define VIREO_NUMERIC_ACCESSORS(Name)                                                              \
    VIREO_NUMERIC_GETTERS(Name)                                                                    \
    virtual bool clear##Name() = 0;
/// Text, URL and date fields: a null test, a getter, a setter and a clear.
#define VIREO_VALUE_ACCESSORS(Name, Type)                                                          \
    virtual bool is##Name##Null() const = 0;                                                       \
    virtual Type get##Name() const = 0;                                                            \
    virtual bool set##Name(const Type& value) = 0;                                                 \
    virtual bool clear##Name() = 0;

namespace VireoStudio {

/// The media library as the plugin serves it (Tarn::Plugin::queryInterface with
/// "com.vireo.studio.pluginInterface.MediaManager"): forty operations in a fixed slot order,
/// and the row interfaces of the objects they hand out.
///
/// Conventions of every operation:
/// - It returns false (0 for counts) when the library is not open (isOpen()), and false for
///   any failure; nothing is thrown and no message is written.
/// - A row object handed out through an out-pointer carries one reference for the caller, who
///   releases it (vtl::IRefCounted::release). While an object is alive, the same id yields the
///   same object.
/// - "new" operations make objects that are not stored yet; the matching save or add operation
///   (or the object's own RowInterface::save) stores them and gives them their id.
/// - Ids (node ids, playlist ids, recent-file ids) are unsigned 64-bit numbers.
/// - Operations may be called from several threads; they take the library's lock in turn.
///   Every row object must be released before the plugin is.
/// - Deletions publish change messages on the PubSubHub; stores and changes publish nothing.
class ORV_HOST_EXPORT MediaManagerInterface {
public:
    /// One title's resume state inside a recent file; each field is null when absent.
    struct TitlePosition {
        QVariant titleId;         ///< The title's number.
        QVariant audioTrackId;    ///< The audio track chosen for the title.
        QVariant subtitleTrackId; ///< The subtitle track chosen for the title.
        QVariant positionMsecs;   ///< Where to resume the title, in milliseconds.
    };
    /// The title positions of a recent file, in order.
    typedef QList<TitlePosition> TitlePositionList;

    /// Operations every row object begins with, after the four of vtl::IRefCounted. A row
    /// object carries the fields of one library entry in memory; setters change only the
    /// object, and save() writes it.
    class ORV_HOST_EXPORT RowInterface : public vtl::IRefCounted {
    public:
        /// Constructs the interface part of a row object.
        RowInterface();
        /// Destroys the interface part of a row object.
        ~RowInterface() override;
        /// Stores the object: inserts a new entry (giving it its id) or updates the stored
        /// one. False when the object is detached (isAttached()) or the store fails; a failed
        /// store writes nothing.
        virtual bool save() = 0;
        /// Deletes the stored entry. False when the object is detached or new.
        virtual bool remove() = 0;
        /// Whether the object still stands for its library entry: false once the entry was
        /// deleted, after which save() and remove() refuse.
        virtual bool isAttached() const = 0;
        /// The entry's id; 0 while the object is new.
        virtual quint64 getId() const = 0;
        /// Whether the object was never stored.
        virtual bool isNew() const = 0;
    };

    /// A library node: an entry with a URL, a name and a creation date.
    class ORV_HOST_EXPORT NodeInterface : public RowInterface {
    public:
        /// Constructs the interface part of a node object.
        NodeInterface();
        /// Destroys the interface part of a node object.
        ~NodeInterface() override;
        /// Whether the node has no URL.
        virtual bool isUriNull() const = 0;
        /// The node's URL. URLs are unique in the library without regard to letter case.
        virtual QUrl getUri() const = 0;
        /// Sets the node's URL; true.
        virtual bool setUri(const QUrl& uri) = 0;
        /// Whether the node has no name.
        virtual bool isNameNull() const = 0;
        /// The node's name: for a new entry, the last segment of its URL's path.
        virtual QString getName() const = 0;
        /// Sets the node's name; true.
        virtual bool setName(const QString& name) = 0;
        /// Whether the node has no creation date (it was never stored).
        virtual bool isCreateDateNull() const = 0;
        /// When the node was stored first.
        virtual QDateTime getCreateDate() const = 0;
        /// Sets the creation date in the object; the library keeps its own when storing.
        virtual bool setCreateDate(const QDateTime& date) = 0;
    };

    /// A media file: a node with the details every kind of media file has.
    class ORV_HOST_EXPORT MediaFileInterface : public NodeInterface {
    public:
        /// Constructs the interface part of a media-file object.
        MediaFileInterface();
        /// Destroys the interface part of a media-file object.
        ~MediaFileInterface() override;
        /** @{ */
        /// The size in bytes: a null test, four getters, two setters and a clear.
        VIREO_NUMERIC_ACCESSORS(Size)
        /** @} */
        /** @{ */
        /// The title: a null test, a getter, a setter and a clear.
        VIREO_VALUE_ACCESSORS(Title, QString)
        /** @} */
        /// Whether the media-file type is null.
        virtual bool isMediaFileTypeNull() const = 0;
        /// The kind of media file: 1 for a video file, 0 for acquired content.
        virtual int getMediaFileType() const = 0;
        /// Sets the kind of media file in the object (a stored video file keeps 1); true.
        virtual bool setMediaFileType(const int& type) = 0;
        /** @{ */
        /// The description: a null test, a getter, a setter and a clear.
        VIREO_VALUE_ACCESSORS(Description, QString)
        /** @} */
        /** @{ */
        /// When the file was last played: a null test, a getter, a setter and a clear.
        VIREO_VALUE_ACCESSORS(LastPlayed, QDateTime)
        /** @} */
        /** @{ */
        /// The user's rating: a null test, four getters, two setters and a clear.
        VIREO_NUMERIC_ACCESSORS(UserRating)
        /** @} */
        /** @{ */
        /// How often the file was played (0 for a new file): a null test, four getters and two
        /// setters.
        VIREO_NUMERIC_GETTERS(PlayCount)
        /** @} */
    };

    /// A video file: a media file with a duration. Video files belong to the built-in
    /// playlists of types 1 and 2.
    class ORV_HOST_EXPORT VideoFileInterface : public MediaFileInterface {
    public:
        /// Constructs the interface part of a video-file object.
        VideoFileInterface();
        /// Destroys the interface part of a video-file object.
        ~VideoFileInterface() override;
        /** @{ */
        /// The duration in milliseconds: a null test, four getters, two setters and a clear.
        VIREO_NUMERIC_ACCESSORS(Duration)
        /** @} */
    };

    /// Content acquired from a provider: a media file with the provider's name and content id.
    /// Acquired files with a content id belong to the built-in playlist of type 18.
    class ORV_HOST_EXPORT AcquiredFileInterface : public MediaFileInterface {
    public:
        /// Constructs the interface part of an acquired-file object.
        AcquiredFileInterface();
        /// Destroys the interface part of an acquired-file object.
        ~AcquiredFileInterface() override;
        /** @{ */
        /// The content provider's name: a null test, a getter, a setter and a clear.
        VIREO_VALUE_ACCESSORS(ContentProvider, QString)
        /** @} */
        /// Whether the content id is null.
        virtual bool isContentIdNull() const = 0;
        /// The provider's content id; 0 when null.
        virtual quint64 getContentId() const = 0;
        /// Sets the provider's content id; true.
        virtual bool setContentId(const quint64& id) = 0;
        /// Makes the content id null; true.
        virtual bool clearContentId() = 0;
    };

    /// Acquired content being downloaded: the download URL, the temporary file, a status and
    /// a percentage, stored with the file; and transient download state (numbers, flags and a
    /// DownloadInfo) that lives in memory only, shared by every object of the same node for as
    /// long as the plugin lives. Queued files belong to the built-in playlist of type 16.
    class ORV_HOST_EXPORT QueuedFileInterface : public AcquiredFileInterface {
    public:
        /// Constructs the interface part of a queued-file object.
        QueuedFileInterface();
        /// Destroys the interface part of a queued-file object.
        ~QueuedFileInterface() override;
        /** @{ */
        /// The temporary file the download is written to: a null test, a getter, a setter and a
        /// clear.
        VIREO_VALUE_ACCESSORS(TempUri, QUrl)
        /** @} */
        /// Whether the download URL is null.
        virtual bool isDownloadUrlNull() const = 0;
        /// Where the content is downloaded from.
        virtual QUrl getDownloadUrl() const = 0;
        /// Sets where the content is downloaded from; true.
        virtual bool setDownloadUrl(const QUrl& url) = 0;
        /// Whether the download status is null.
        virtual bool isDownloadStatusNull() const = 0;
        /// The download manager's status: 1 new or waiting (a new queued file's), 6 stalled,
        /// 4 finished; other values are stored as they are.
        virtual int getDownloadStatus() const = 0;
        /// Sets the download status; true.
        virtual bool setDownloadStatus(const int& status) = 0;
        /** @{ */
        /// How much is downloaded, in whole percent (0 for a new queued file): a null test,
        /// four getters and two setters.
        VIREO_NUMERIC_GETTERS(PercentComplete)
        /** @} */
        /// Whether the transient number 1 is null.
        virtual bool isNumber1Null() const = 0;
        /// Transient number 1, the host's own; 0 when null.
        virtual quint64 getNumber1() const = 0;
        /// Sets transient number 1; true.
        virtual bool setNumber1(const quint64& value) = 0;
        /// Makes transient number 1 null; true.
        virtual bool clearNumber1() = 0;
        /** @{ */
        /// Transient number 2, the host's own: a null test, four getters, two setters and a
        /// clear.
        VIREO_NUMERIC_ACCESSORS(Number2)
        /** @} */
        /** @{ */
        /// Transient number 3, the host's own: a null test, four getters, two setters and a
        /// clear.
        VIREO_NUMERIC_ACCESSORS(Number3)
        /** @} */
        /** @{ */
        /// Transient number 4, the host's own (-1 for a new queued file): a null test, four
        /// getters, two setters and a clear.
        VIREO_NUMERIC_ACCESSORS(Number4)
        /** @} */
        /// Whether transient flag 1 is null.
        virtual bool isFlag1Null() const = 0;
        /// Transient flag 1, the host's own (false for a new queued file).
        virtual bool getFlag1() const = 0;
        /// Sets transient flag 1; true.
        virtual bool setFlag1(const bool& value) = 0;
        /// Whether transient flag 2 is null.
        virtual bool isFlag2Null() const = 0;
        /// Transient flag 2, the host's own (false for a new queued file).
        virtual bool getFlag2() const = 0;
        /// Sets transient flag 2; true.
        virtual bool setFlag2(const bool& value) = 0;
        /// Whether transient flag 3 is null.
        virtual bool isFlag3Null() const = 0;
        /// Transient flag 3, the host's own (false for a new queued file).
        virtual bool getFlag3() const = 0;
        /// Sets transient flag 3; true.
        virtual bool setFlag3(const bool& value) = 0;
        /// Whether transient flag 4 is null.
        virtual bool isFlag4Null() const = 0;
        /// Transient flag 4, the host's own (true for a new queued file).
        virtual bool getFlag4() const = 0;
        /// Sets transient flag 4; true.
        virtual bool setFlag4(const bool& value) = 0;
        /// Whether transient flag 5 is null.
        virtual bool isFlag5Null() const = 0;
        /// Transient flag 5, the host's own (false for a new queued file).
        virtual bool getFlag5() const = 0;
        /// Sets transient flag 5; true.
        virtual bool setFlag5(const bool& value) = 0;
        /** @{ */
        /// Transient number 5, the host's own: a null test, four getters, two setters and a
        /// clear.
        VIREO_NUMERIC_ACCESSORS(Number5)
        /** @} */
        /// A copy of the host's description of the download (transient).
        virtual DownloadInfo getDownloadInfo() const = 0;
        /// Replaces the host's description of the download (transient); true.
        virtual bool setDownloadInfo(const DownloadInfo& info) = 0;
    };

    /// An entry of the recently played list: a URL (the library node it is, if any) and the
    /// resume state of each title played. Saving an entry makes it the newest.
    class ORV_HOST_EXPORT RecentFileInterface : public RowInterface {
    public:
        /// Constructs the interface part of a recent-file object.
        RecentFileInterface();
        /// Destroys the interface part of a recent-file object.
        ~RecentFileInterface() override;
        /// Whether the entry has no URL.
        virtual bool isUriNull() const = 0;
        /// The URL played; unique in the list without regard to letter case.
        virtual QUrl getUri() const = 0;
        /// Sets the URL of a new entry (a stored entry keeps its URL); true.
        virtual bool setUri(const QUrl& uri) = 0;
        /// Whether the entry is no library node.
        virtual bool isNodeIdNull() const = 0;
        /// The id of the library node with the entry's URL; 0 when there is none.
        virtual quint64 getNodeId() const = 0;
        /// Sets the library node the entry is; true.
        virtual bool setNodeId(quint64 nodeId) = 0;
        /// Whether the entry holds no title position.
        virtual bool isPositionListEmpty() const = 0;
        /// A copy of the title positions, in order.
        virtual TitlePositionList getPositions() const = 0;
        /// Replaces the title positions (stored by save()); true.
        virtual bool setPositions(const TitlePositionList& positions) = 0;
    };

    /// Sort rule of a playlist: direction in bits 0-1, key in the rest.
    struct SortFlags {
        /// The rule: a SortDirection in bits 0-1, and the key as the value with those bits
        /// clear: 4 URL, 8 name, 12 creation date, 16 size, 20 title, 24 duration.
        int value = 0;
    };
    /// Media files a search found, each held with one reference.
    typedef QList<vtl::RefCountedPtr_STLSafe<MediaFileInterface>> MediaFileList;

    /// A playlist: its own fields and its items, ordered library nodes. Positions count from 0.
    /// Built-in playlists (types 1, 2, 3, 4, 16, 18) have no name and exist once each; user
    /// playlists (type 255) have names unique without regard to letter case; the playlist of
    /// type 64, id -1, lives in memory only and shows the recent list.
    class ORV_HOST_EXPORT PlaylistInterface : public RowInterface {
    public:
        /// Constructs the interface part of a playlist object.
        PlaylistInterface();
        /// Destroys the interface part of a playlist object.
        ~PlaylistInterface() override;
        /// The PlaylistType, or the number of a built-in playlist.
        virtual int getPlaylistType() const = 0;
        /// The kind of media the playlist is meant for.
        virtual int getMediaFileType() const = 0;
        /// False for the acquired playlist (type 18) and the recent playlist (type 64).
        virtual bool isNotAcquiredOrRecent() const = 0;
        /// Whether sort() may order it: false for the queue (type 16) and the recent playlist.
        virtual bool isSortable() const = 0;
        /// The playlist's position among the user playlists in name order (0 for other types).
        virtual qint64 getIndex() = 0;
        /// Whether the playlist has no name (built-in playlists).
        virtual bool isNameNull() const = 0;
        /// The playlist's name.
        virtual QString getName() const = 0;
        /// Renames a user playlist (stored at once when the playlist is). False for other types
        /// and for a name another playlist has without regard to letter case.
        virtual bool setName(const QString& name) = 0;
        /// Orders the items by a key and keeps that rule (SortFlags::value), or with
        /// SORT_MANUAL keeps the items as they are. False for a playlist that is new or not
        /// sortable, and for direction 3 or a key the library does not know.
        virtual bool sort(int flags) = 0;
        /// The stored sort rule.
        virtual SortFlags getSortFlags() const = 0;
        /// The number of items.
        virtual qint64 getItemCount() = 0;
        /// The queued file at @p position; false when the item is none.
        virtual bool getQueuedFileAt(quint64 position, QueuedFileInterface** out) = 0;
        /// The acquired (or queued) file at @p position; false when the item is none.
        virtual bool getAcquiredFileAt(quint64 position, AcquiredFileInterface** out) = 0;
        /// The recent entry at @p position of the recent playlist (type 64); false for others.
        virtual bool getRecentFileAtPosition(quint64 position, RecentFileInterface** out) = 0;
        /// The video file at @p position; false past the end or when the item is no video
        /// file.
        virtual bool getMediaFileAt(quint64 position, MediaFileInterface** out) = 0;
        /// The queued file among the items with the URL @p url (letter case aside).
        virtual bool findQueuedFile(const QUrl& url, QueuedFileInterface** out) = 0;
        /// The acquired file among the items with the URL @p url (letter case aside).
        virtual bool findAcquiredFileInList(const QUrl& url, AcquiredFileInterface** out) = 0;
        /// The recent entry with the URL @p url, for the recent playlist only.
        virtual bool findRecentFileInList(const QUrl& url, RecentFileInterface** out) = 0;
        /// The video file among the items (the recent entries, for the recent playlist) with
        /// the URL @p url, letter case aside.
        virtual bool findMediaFileInList(const QUrl& url, MediaFileInterface** out) = 0;
        /// Empties @p files, then fills it with the items whose URL matches the GLOB pattern
        /// @p pattern (* ? [...], letter case counts). When a match is no video file the list
        /// stays empty and the result is still true.
        virtual bool findMediaFilesMatching(const QUrl& pattern, MediaFileList& files) = 0;
        /// The queued file whose download URL is @p url (letter case aside; extra text right
        /// behind the "//" of the scheme is allowed).
        virtual bool findQueuedFileByDownloadUrl(const QUrl& url, QueuedFileInterface** out) = 0;
        /// Whether node @p nodeId is an item.
        virtual bool containsNode(quint64 nodeId) = 0;
        /// Removes every item of node @p nodeId from a user playlist, the entry from the recent
        /// playlist, or the download from the queue (deleting it). False for other types.
        virtual bool removeNode(quint64 nodeId) = 0;
        /// Removes the item at @p position from a playlist of any type; from the recent
        /// playlist it deletes the entry.
        virtual bool removeAt(quint64 position) = 0;
        /// Puts node @p nodeId in front of the item at @p position (last when @p position is at
        /// or past the end). A user playlist gains an item; another type moves the node there
        /// when it holds it already. False for the recent playlist.
        virtual bool insertNodeAt(quint64 position, quint64 nodeId) = 0;
        /// insertNodeAt() for a stored row object; false for a new one.
        virtual bool insertStoredFileAt(quint64 position, NodeInterface* file) = 0;
        /// insertNodeAt() for a row object, storing it first when it is new.
        virtual bool insertFileAt(quint64 position, NodeInterface* file) = 0;
        /// The sum of the items' sizes in bytes (an item present twice counts twice).
        virtual qint64 getTotalSize() = 0;
        /// The sum of the items' durations in milliseconds.
        virtual qint64 getTotalDuration() = 0;
    };

    /// Playlist types the library gives a meaning to. The built-in types 1 to 4 hold video
    /// files (types 1 and 2 gain every video file stored); 16 and 18 are named here.
    enum PlaylistType {
        PLAYLIST_TYPE_QUEUE = 16,    ///< The download queue: every queued file.
        PLAYLIST_TYPE_ACQUIRED = 18, ///< Every acquired file with a content id.
        PLAYLIST_TYPE_RECENT = 64,   ///< The recent list, in memory only (id -1).
        PLAYLIST_TYPE_USER = 255     ///< The user's named playlists.
    };
    /// Sort directions, bits 0-1 of the sort flags.
    enum SortDirection {
        SORT_ASCENDING = 0,  ///< By the key, ascending.
        SORT_DESCENDING = 1, ///< By the key, descending.
        SORT_MANUAL = 2      ///< The items keep the order they are put in.
    };

    /// Constructs the interface part of the plugin object.
    MediaManagerInterface();
    /// Destroys the whole plugin object; hosts release the plugin (Tarn::Plugin::release)
    /// instead.
    virtual ~MediaManagerInterface();

    /// As the player does at start: every download left unfinished (status 1 below 100 %, or
    /// status 6) goes back to status 1 at 0 % without a temporary file, and its partial files
    /// are deleted.
    virtual bool resetInterruptedDownloads() = 0;
    /// Whether the library file is open. A plugin whose library could not be opened, created
    /// or brought up to date is still created; every operation then fails.
    virtual bool isOpen() = 0;
    /// Enters one level of the transaction nest. Many operations in one transaction are much
    /// faster than the same outside one.
    virtual bool beginTransaction() = 0;
    /// Rolls back the whole nest.
    virtual bool rollbackTransaction() = 0;
    /// Leaves one level; the outermost commit writes.
    virtual bool commitTransaction() = 0;

    /// The number of playlists of a type; 0 on failure (and for type 64, which is not stored).
    virtual qint64 getPlaylistCount(int playlistType) = 0;
    /// The playlist of a type at @p index in name order; built-in types ignore the index, and
    /// type 64 gives the recent playlist.
    virtual bool getPlaylistAt(int playlistType, quint64 index, PlaylistInterface** out) = 0;
    /// The playlist with id @p playlistId (-1: the recent playlist).
    virtual bool getPlaylist(quint64 playlistId, PlaylistInterface** out) = 0;
    /// The playlist named @p name, letter case aside.
    virtual bool findPlaylist(const QString& name, PlaylistInterface** out) = 0;
    /// A new user playlist, not stored yet (store it with addPlaylist() or its save()). False
    /// when the name is taken, letter case aside.
    virtual bool newPlaylist(const QString& name, int mediaFileType, PlaylistInterface** out) = 0;
    /// Deletes a playlist with its items; publishes "Media.List.Changed" with its id. False
    /// for the recent playlist.
    virtual bool deletePlaylist(quint64 playlistId) = 0;
    /// Stores a new playlist from newPlaylist() and gives it its id; true at once for a stored
    /// one.
    virtual bool addPlaylist(PlaylistInterface* playlist) = 0;
    /// Where a user playlist named @p name stands, or would stand, in name order (0 for other
    /// types).
    virtual bool getPlaylistIndex(int playlistType, const QString& name, qint64* index) = 0;

    /// The video file with the URL @p uri (letter case aside).
    virtual bool findMediaFile(const QUrl& uri, MediaFileInterface** out) = 0;
    /// The video file with node id @p id; false when the node is no video file.
    virtual bool getMediaFile(quint64 id, MediaFileInterface** out) = 0;
    /// Stores a video file: a new one joins the built-in playlists of types 1 and 2.
    virtual bool saveVideoFile(VideoFileInterface* file) = 0;
    /// A new, unsaved video file for a stored media file that is no video file yet.
    virtual bool newVideoFileForMediaFile(MediaFileInterface* media, quint64 size, quint64 duration,
                                          VideoFileInterface** out) = 0;
    /// A new, unsaved video file for @p uri, named after its last path segment; for a node
    /// that exists already (and is no video file), one that carries its id. False when @p uri
    /// is a video file already.
    virtual bool newVideoFile(const QUrl& uri, const QString& title, quint64 size, quint64 duration,
                              VideoFileInterface** out) = 0;
    /// Deletes the video file of node @p id with its items and details; a node that is also a
    /// queued download loses only its video part. Publishes "Media.Item.Changed" with the id.
    virtual bool deleteVideoFile(quint64 id) = 0;

    /// The number of recent entries.
    virtual bool getRecentFileCount(quint64* count) = 0;
    /// The recent entry with id @p id.
    virtual bool getRecentFile(quint64 id, RecentFileInterface** out) = 0;
    /// The recent entry with the URL @p url (letter case aside).
    virtual bool findRecentFile(const QUrl& url, RecentFileInterface** out) = 0;
    /// The recent entry at @p index, newest first.
    virtual bool getRecentFileAt(quint64 index, RecentFileInterface** out) = 0;
    /// A new, unsaved recent entry for the library node @p nodeId.
    virtual bool newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) = 0;
    /// A new, unsaved recent entry for @p url, with its node id when it is a library node.
    /// False when @p url has an entry already (use findRecentFile()).
    virtual bool newRecentFile(const QUrl& url, RecentFileInterface** out) = 0;
    /// Stores a recent entry with its title positions and makes it the newest, then trims the
    /// list to its maximum length (the setting Playback/RecentFileMaximum, 30 by default).
    virtual bool saveRecentFile(RecentFileInterface* file) = 0;
    /// Writes the first title position and the node id of a stored recent entry and makes it
    /// the newest; the further title positions are written by saveRecentFile() only.
    virtual bool updateRecentFile(RecentFileInterface* file) = 0;
    /// Deletes the recent entry with id @p id.
    virtual bool deleteRecentFile(quint64 id) = 0;
    /// Deletes the oldest recent entries beyond the list's maximum length.
    virtual bool trimRecentFiles() = 0;

    /// A new, unsaved acquired file for @p uri. False when @p contentId is 0, @p uri or
    /// @p title is empty, or @p uri is acquired already; a media file with that URL lends its
    /// details (but not its node: saving the object then fails).
    virtual bool newAcquiredFile(const QUrl& uri, const QString& title, quint64 contentId,
                                 AcquiredFileInterface** out) = 0;
    /// A new, unsaved acquired file for a stored media file that is not acquired yet.
    virtual bool newAcquiredFileForMediaFile(MediaFileInterface* media,
                                             AcquiredFileInterface** out) = 0;
    /// The acquired (or queued) file with the URL @p uri (letter case aside).
    virtual bool findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) = 0;
    /// The acquired file with node id @p id: a QueuedFileInterface when it is queued.
    virtual bool getAcquiredFile(quint64 id, AcquiredFileInterface** out) = 0;
    /// Stores an acquired or queued file: a queued file joins the queue (type 16), a file with
    /// a content id the acquired playlist (type 18). A new queued file needs a URL, a title and
    /// a download URL; a new acquired file a URL, a name and a content id.
    virtual bool saveAcquiredFile(AcquiredFileInterface* file) = 0;
    /// Deletes the acquired part (and the queued part) of node @p id; the node and a video
    /// part stay. Publishes "Media.Item.Changed" with the id.
    virtual bool deleteAcquiredFile(quint64 id) = 0;
    /// The acquired file with the provider's content id @p contentId.
    virtual bool findAcquiredFileByContentId(quint64 contentId, AcquiredFileInterface** out) = 0;
    /// A new, unsaved queued file (status 1, 0 %) for @p uri, downloaded from @p downloadUrl.
    /// False when an argument is empty or @p uri is acquired already.
    virtual bool newQueuedFile(const QUrl& uri, const QString& title, const QUrl& downloadUrl,
                               QueuedFileInterface** out) = 0;
    /// The queued file with node id @p id; false for an acquired file that is not queued.
    virtual bool getQueuedFile(quint64 id, QueuedFileInterface** out) = 0;
    /// Deletes the download of node @p id: the whole entry, or only its queued part when it is
    /// a video file too. Publishes "Media.Item.Changed" with the id.
    virtual bool deleteQueuedFile(quint64 id) = 0;
};

} // namespace VireoStudio
