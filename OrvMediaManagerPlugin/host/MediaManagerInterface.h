#pragma once

// The host's media-library interface and its row interfaces, in the order of their virtual
// operations. The host library supplies the constructors and virtual destructors.

#include "DownloadInfo.h"
#include "HostExport.h"
#include "RefCounted.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

// Accessor families of numeric row fields: a null test, four getters (unsigned 64, signed 64,
// unsigned 32, signed 32; 0 for a null or unconvertible value) and two setters (signed 64,
// then unsigned 64). Every setter and clear returns true.
#define VIREO_NUMERIC_GETTERS(Name)                                                                \
    virtual bool is##Name##Null() const = 0;                                                       \
    virtual quint64 get##Name##AsUInt64() const = 0;                                               \
    virtual qint64 get##Name##AsInt64() const = 0;                                                 \
    virtual quint32 get##Name##AsUInt32() const = 0;                                               \
    virtual qint32 get##Name##AsInt32() const = 0;                                                 \
    virtual bool set##Name(qint64 value) = 0;                                                      \
    virtual bool set##Name(quint64 value) = 0;
#define VIREO_NUMERIC_ACCESSORS(Name)                                                              \
    VIREO_NUMERIC_GETTERS(Name)                                                                    \
    virtual bool clear##Name() = 0;
// Text, URL and date fields: a null test, a getter, a setter and a clear.
#define VIREO_VALUE_ACCESSORS(Name, Type)                                                          \
    virtual bool is##Name##Null() const = 0;                                                       \
    virtual Type get##Name() const = 0;                                                            \
    virtual bool set##Name(const Type& value) = 0;                                                 \
    virtual bool clear##Name() = 0;

namespace VireoStudio {

class ORV_HOST_EXPORT MediaManagerInterface {
public:
    // One title's resume state inside a recent file; each field is null when absent.
    struct TitlePosition {
        QVariant titleId;
        QVariant audioTrackId;
        QVariant subtitleTrackId;
        QVariant positionMsecs;
    };
    typedef QList<TitlePosition> TitlePositionList;

    // Operations every row object begins with, after the four of vtl::IRefCounted.
    class ORV_HOST_EXPORT RowInterface : public vtl::IRefCounted {
    public:
        RowInterface();
        ~RowInterface() override;
        virtual bool save() = 0;
        virtual bool remove() = 0;
        virtual bool isAttached() const = 0;
        virtual quint64 getId() const = 0;
        virtual bool isNew() const = 0;
    };

    class ORV_HOST_EXPORT NodeInterface : public RowInterface {
    public:
        NodeInterface();
        ~NodeInterface() override;
        virtual bool isUriNull() const = 0;
        virtual QUrl getUri() const = 0;
        virtual bool setUri(const QUrl& uri) = 0;
        virtual bool isNameNull() const = 0;
        virtual QString getName() const = 0;
        virtual bool setName(const QString& name) = 0;
        virtual bool isCreateDateNull() const = 0;
        virtual QDateTime getCreateDate() const = 0;
        virtual bool setCreateDate(const QDateTime& date) = 0;
    };

    class ORV_HOST_EXPORT MediaFileInterface : public NodeInterface {
    public:
        MediaFileInterface();
        ~MediaFileInterface() override;
        VIREO_NUMERIC_ACCESSORS(Size)
        VIREO_VALUE_ACCESSORS(Title, QString)
        virtual bool isMediaFileTypeNull() const = 0;
        virtual int getMediaFileType() const = 0;
        virtual bool setMediaFileType(const int& type) = 0;
        VIREO_VALUE_ACCESSORS(Description, QString)
        VIREO_VALUE_ACCESSORS(LastPlayed, QDateTime)
        VIREO_NUMERIC_ACCESSORS(UserRating)
        VIREO_NUMERIC_GETTERS(PlayCount)
    };

    class ORV_HOST_EXPORT VideoFileInterface : public MediaFileInterface {
    public:
        VideoFileInterface();
        ~VideoFileInterface() override;
        VIREO_NUMERIC_ACCESSORS(Duration)
    };

    class ORV_HOST_EXPORT AcquiredFileInterface : public MediaFileInterface {
    public:
        AcquiredFileInterface();
        ~AcquiredFileInterface() override;
        VIREO_VALUE_ACCESSORS(ContentProvider, QString)
        virtual bool isContentIdNull() const = 0;
        virtual quint64 getContentId() const = 0;
        virtual bool setContentId(const quint64& id) = 0;
        virtual bool clearContentId() = 0;
    };

    class ORV_HOST_EXPORT QueuedFileInterface : public AcquiredFileInterface {
    public:
        QueuedFileInterface();
        ~QueuedFileInterface() override;
        VIREO_VALUE_ACCESSORS(TempUri, QUrl)
        virtual bool isDownloadUrlNull() const = 0;
        virtual QUrl getDownloadUrl() const = 0;
        virtual bool setDownloadUrl(const QUrl& url) = 0;
        virtual bool isDownloadStatusNull() const = 0;
        virtual int getDownloadStatus() const = 0;
        virtual bool setDownloadStatus(const int& status) = 0;
        VIREO_NUMERIC_GETTERS(PercentComplete)
        // Transient download state, kept in memory only and shared by the objects of one node.
        virtual bool isNumber1Null() const = 0;
        virtual quint64 getNumber1() const = 0;
        virtual bool setNumber1(const quint64& value) = 0;
        virtual bool clearNumber1() = 0;
        VIREO_NUMERIC_ACCESSORS(Number2)
        VIREO_NUMERIC_ACCESSORS(Number3)
        VIREO_NUMERIC_ACCESSORS(Number4)
        virtual bool isFlag1Null() const = 0;
        virtual bool getFlag1() const = 0;
        virtual bool setFlag1(const bool& value) = 0;
        virtual bool isFlag2Null() const = 0;
        virtual bool getFlag2() const = 0;
        virtual bool setFlag2(const bool& value) = 0;
        virtual bool isFlag3Null() const = 0;
        virtual bool getFlag3() const = 0;
        virtual bool setFlag3(const bool& value) = 0;
        virtual bool isFlag4Null() const = 0;
        virtual bool getFlag4() const = 0;
        virtual bool setFlag4(const bool& value) = 0;
        virtual bool isFlag5Null() const = 0;
        virtual bool getFlag5() const = 0;
        virtual bool setFlag5(const bool& value) = 0;
        VIREO_NUMERIC_ACCESSORS(Number5)
        virtual DownloadInfo getDownloadInfo() const = 0;
        virtual bool setDownloadInfo(const DownloadInfo& info) = 0;
    };

    class ORV_HOST_EXPORT RecentFileInterface : public RowInterface {
    public:
        RecentFileInterface();
        ~RecentFileInterface() override;
        virtual bool isUriNull() const = 0;
        virtual QUrl getUri() const = 0;
        virtual bool setUri(const QUrl& uri) = 0;
        virtual bool isNodeIdNull() const = 0;
        virtual quint64 getNodeId() const = 0;
        virtual bool setNodeId(quint64 nodeId) = 0;
        virtual bool isPositionListEmpty() const = 0;
        virtual TitlePositionList getPositions() const = 0;
        virtual bool setPositions(const TitlePositionList& positions) = 0;
    };

    // Sort rule of a playlist: direction in bits 0-1, key in the rest.
    struct SortFlags {
        int value = 0;
    };
    typedef QList<vtl::RefCountedPtr_STLSafe<MediaFileInterface>> MediaFileList;

    class ORV_HOST_EXPORT PlaylistInterface : public RowInterface {
    public:
        PlaylistInterface();
        ~PlaylistInterface() override;
        virtual int getPlaylistType() const = 0;
        virtual int getMediaFileType() const = 0;
        virtual bool isNotAcquiredOrRecent() const = 0;
        virtual bool isSortable() const = 0;
        virtual qint64 getIndex() = 0;
        virtual bool isNameNull() const = 0;
        virtual QString getName() const = 0;
        virtual bool setName(const QString& name) = 0;
        virtual bool sort(int flags) = 0;
        virtual SortFlags getSortFlags() const = 0;
        virtual qint64 getItemCount() = 0;
        virtual bool getQueuedFileAt(quint64 position, QueuedFileInterface** out) = 0;
        virtual bool getAcquiredFileAt(quint64 position, AcquiredFileInterface** out) = 0;
        virtual bool getRecentFileAtPosition(quint64 position, RecentFileInterface** out) = 0;
        virtual bool getMediaFileAt(quint64 position, MediaFileInterface** out) = 0;
        virtual bool findQueuedFile(const QUrl& url, QueuedFileInterface** out) = 0;
        virtual bool findAcquiredFileInList(const QUrl& url, AcquiredFileInterface** out) = 0;
        virtual bool findRecentFileInList(const QUrl& url, RecentFileInterface** out) = 0;
        virtual bool findMediaFileInList(const QUrl& url, MediaFileInterface** out) = 0;
        virtual bool findMediaFilesMatching(const QUrl& pattern, MediaFileList& files) = 0;
        virtual bool findQueuedFileByDownloadUrl(const QUrl& url, QueuedFileInterface** out) = 0;
        virtual bool containsNode(quint64 nodeId) = 0;
        virtual bool removeNode(quint64 nodeId) = 0;
        virtual bool removeAt(quint64 position) = 0;
        virtual bool insertNodeAt(quint64 position, quint64 nodeId) = 0;
        virtual bool insertStoredFileAt(quint64 position, NodeInterface* file) = 0;
        virtual bool insertFileAt(quint64 position, NodeInterface* file) = 0;
        virtual qint64 getTotalSize() = 0;
        virtual qint64 getTotalDuration() = 0;
    };

    // Playlist types the library gives a meaning to.
    enum PlaylistType {
        PLAYLIST_TYPE_QUEUE = 16,
        PLAYLIST_TYPE_ACQUIRED = 18,
        PLAYLIST_TYPE_RECENT = 64,
        PLAYLIST_TYPE_USER = 255
    };
    // Sort directions, bits 0-1 of the sort flags.
    enum SortDirection { SORT_ASCENDING = 0, SORT_DESCENDING = 1, SORT_MANUAL = 2 };

    MediaManagerInterface();
    virtual ~MediaManagerInterface();

    virtual bool resetInterruptedDownloads() = 0;
    virtual bool isOpen() = 0;
    virtual bool beginTransaction() = 0;
    virtual bool rollbackTransaction() = 0;
    virtual bool commitTransaction() = 0;

    virtual qint64 getPlaylistCount(int playlistType) = 0;
    virtual bool getPlaylistAt(int playlistType, quint64 index, PlaylistInterface** out) = 0;
    virtual bool getPlaylist(quint64 playlistId, PlaylistInterface** out) = 0;
    virtual bool findPlaylist(const QString& name, PlaylistInterface** out) = 0;
    virtual bool newPlaylist(const QString& name, int mediaFileType, PlaylistInterface** out) = 0;
    virtual bool deletePlaylist(quint64 playlistId) = 0;
    virtual bool addPlaylist(PlaylistInterface* playlist) = 0;
    virtual bool getPlaylistIndex(int playlistType, const QString& name, qint64* index) = 0;

    virtual bool findMediaFile(const QUrl& uri, MediaFileInterface** out) = 0;
    virtual bool getMediaFile(quint64 id, MediaFileInterface** out) = 0;
    virtual bool saveVideoFile(VideoFileInterface* file) = 0;
    virtual bool newVideoFileForMediaFile(MediaFileInterface* media, quint64 size, quint64 duration,
                                          VideoFileInterface** out) = 0;
    virtual bool newVideoFile(const QUrl& uri, const QString& title, quint64 size, quint64 duration,
                              VideoFileInterface** out) = 0;
    virtual bool deleteVideoFile(quint64 id) = 0;

    virtual bool getRecentFileCount(quint64* count) = 0;
    virtual bool getRecentFile(quint64 id, RecentFileInterface** out) = 0;
    virtual bool findRecentFile(const QUrl& url, RecentFileInterface** out) = 0;
    virtual bool getRecentFileAt(quint64 index, RecentFileInterface** out) = 0;
    virtual bool newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) = 0;
    virtual bool newRecentFile(const QUrl& url, RecentFileInterface** out) = 0;
    virtual bool saveRecentFile(RecentFileInterface* file) = 0;
    virtual bool updateRecentFile(RecentFileInterface* file) = 0;
    virtual bool deleteRecentFile(quint64 id) = 0;
    virtual bool trimRecentFiles() = 0;

    virtual bool newAcquiredFile(const QUrl& uri, const QString& title, quint64 contentId,
                                 AcquiredFileInterface** out) = 0;
    virtual bool newAcquiredFileForMediaFile(MediaFileInterface* media,
                                             AcquiredFileInterface** out) = 0;
    virtual bool findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) = 0;
    virtual bool getAcquiredFile(quint64 id, AcquiredFileInterface** out) = 0;
    virtual bool saveAcquiredFile(AcquiredFileInterface* file) = 0;
    virtual bool deleteAcquiredFile(quint64 id) = 0;
    virtual bool findAcquiredFileByContentId(quint64 contentId, AcquiredFileInterface** out) = 0;
    virtual bool newQueuedFile(const QUrl& uri, const QString& title, const QUrl& downloadUrl,
                               QueuedFileInterface** out) = 0;
    virtual bool getQueuedFile(quint64 id, QueuedFileInterface** out) = 0;
    virtual bool deleteQueuedFile(quint64 id) = 0;
};

} // namespace VireoStudio
