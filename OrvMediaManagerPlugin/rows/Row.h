#pragma once

// The row object model: every object the library hands to the host is a counted row that
// belongs to one plugin. Row<T> counts references and ties the row to its owner; Node<T> adds
// the node columns and MediaFile<T> the media-file columns.

#include "MediaManagerInterface.h"
#include "RowAccessors.h"
#include "database/SqlValues.h"
#include "rows/RowOwner.h"

#include <QDateTime>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace VireoStudio {

template <typename T> class Row : public T {
public:
    explicit Row(RowOwner* owner) : owner(owner) {}

    int addRef() override { return ++count; }

    // When only the library's own reference and one other are left, the owner may take the
    // row out of its live map before that other reference goes.
    int release() override {
        if (count == 2)
            owner->context().releaseHook(static_cast<T*>(this));
        const int left = --count;
        if (left <= 0) {
            delete this;
            return 0;
        }
        return left;
    }

    int refCount() const override { return count; }
    bool isAttached() const override { return attached; }

    // The library no longer answers for this object: save and remove refuse from now on.
    void detach() { attached = false; }

protected:
    // The interface the row stores and deletes itself through.
    MediaManagerInterface& library() const { return owner->library(); }

    bool attached = true;
    RowOwner* owner;

private:
    // Atomic although each row is retained and released by one host thread at a time: the
    // library drops its own references (a cache evicting the row, a forgotten id) under its
    // lock on whichever thread runs the operation, while the host may be releasing its
    // reference on another.
    std::atomic<int> count{0};
};

template <typename T> class Node : public Row<T> {
public:
    Node(RowOwner* owner, const QUrl& uri, const QString& name)
        : Row<T>(owner), uri(orv::urlText(uri)), name(name) {}

    quint64 getId() const override { return orv::numberAs<quint64>(id); }
    bool isNew() const override { return orv::isNotSet(id); }

    bool isUriNull() const override { return orv::isNotSet(uri); }
    QUrl getUri() const override { return orv::urlFromText(uri.toString()); }
    bool setUri(const QUrl& value) override {
        uri = orv::urlText(value);
        return true;
    }
    bool isNameNull() const override { return orv::isNotSet(name); }
    QString getName() const override { return name.toString(); }
    bool setName(const QString& value) override {
        name = value;
        return true;
    }
    bool isCreateDateNull() const override { return orv::isNotSet(createDate); }
    // A stamp kept in UTC reads as the local time it stands for.
    QDateTime getCreateDate() const override {
        return createDateInUtc ? createDate.toDateTime().toLocalTime() : createDate.toDateTime();
    }
    bool setCreateDate(const QDateTime& value) override {
        createDate = value;
        createDateInUtc = false;
        return true;
    }

    // create_date as read from the library (orv::storedDateTime's rules), the time of a store,
    // or none. A stamp is kept in UTC and turned into local time only when it is asked for:
    // the conversion costs more than the rest of a row's load.
    void setStoredCreateDate(const QVariant& stored) {
        createDate = orv::storedDateTimeInUtc(stored, &createDateInUtc);
    }
    void setStoredCreateDate(const QDateTime& stamp, bool inUtc) {
        createDate = stamp;
        createDateInUtc = inUtc;
    }
    void stampCreateDate() {
        createDate = QDateTime::currentDateTimeUtc();
        createDateInUtc = true;
    }
    void clearCreateDate() {
        createDate = QVariant();
        createDateInUtc = false;
    }

    QVariant id;         // node.node_id, unsigned 64-bit
    QVariant uri;        // node.uri, kept as its stored text so that it round-trips unchanged
    QVariant name;       // node.name
    QVariant createDate; // node.create_date, a QDateTime; in UTC when createDateInUtc
    bool createDateInUtc = false;
};

template <typename T> class MediaFile : public Node<T> {
public:
    MediaFile(RowOwner* owner, const QUrl& uri, const QString& name, int mediaFileType)
        : Node<T>(owner, uri, name), mediaFileType(mediaFileType) {}

    ORV_NUMERIC_ACCESSORS_IMPL(Size, size)
    ORV_VALUE_ACCESSORS_IMPL(Title, QString, title)
    bool isMediaFileTypeNull() const override { return orv::isNotSet(mediaFileType); }
    int getMediaFileType() const override { return orv::numberAs<qint32>(mediaFileType); }
    bool setMediaFileType(const int& value) override {
        mediaFileType = value;
        return true;
    }
    ORV_VALUE_ACCESSORS_IMPL(Description, QString, description)
    ORV_VALUE_ACCESSORS_IMPL(LastPlayed, QDateTime, lastPlayed)
    ORV_NUMERIC_ACCESSORS_IMPL(UserRating, userRating)
    ORV_NUMERIC_GETTERS_IMPL(PlayCount, playCount)

    QVariant size;        // 64-bit
    QVariant title;       // text
    QVariant description; // text
    QVariant lastPlayed;  // date-time
    QVariant userRating;  // 64-bit
    QVariant playCount = QVariant(int(0));
    QVariant mediaFileType; // int
};

// Gives the receiver of an out-pointer its own reference to a row.
template <typename T, typename U> void copyOut(T* row, U** out) {
    if (!out)
        return;
    *out = row;
    if (row)
        row->addRef();
}

// Hands a row nobody holds yet (made by a "new" operation) to an out-pointer; with no
// out-pointer it is not kept.
template <typename T> void handOutNew(T* row, T** out) {
    if (out)
        copyOut(row, out);
    else
        delete row;
}

// Hands a row the caller holds one reference to over to an out-pointer; with no out-pointer
// that reference is dropped.
template <typename T> void handOut(T* row, T** out) {
    if (out)
        *out = row;
    else
        row->release();
}

// The same, narrowed to another interface of the row; false (and the reference dropped) when
// the row does not implement it.
template <typename From, typename To> bool handOutAs(From* row, To** out) {
    To* narrowed = dynamic_cast<To*>(row);
    if (!narrowed) {
        row->release();
        return false;
    }
    handOut(narrowed, out);
    return true;
}

} // namespace VireoStudio
