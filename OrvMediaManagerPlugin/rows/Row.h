#pragma once

// The row object model: every object the library hands to the host is a counted row that
// belongs to one plugin. Row<T> counts references and ties the row to its owner; Node<T> adds
// the node columns and MediaFile<T> the media-file columns.

#include "MediaManagerInterface.h"
#include "RowAccessors.h"
#include "database/SqlValues.h"
#include "plugin/OrvMediaManagerPlugin.h"

#include <QDateTime>
#include <QUrl>
#include <QVariant>

namespace VireoStudio {

template <typename T> class Row : public T {
public:
    explicit Row(OrvMediaManagerPlugin* owner) : owner(owner) {}

    int addRef() override { return ++count; }

    // When only the library's own reference and one other are left, the owner may take the
    // row out of its live map before that other reference goes.
    int release() override {
        if (count == 2)
            owner->releaseHook(static_cast<T*>(this));
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
    bool attached = true;
    OrvMediaManagerPlugin* owner;

private:
    int count = 0;
};

template <typename T> class Node : public Row<T> {
public:
    Node(OrvMediaManagerPlugin* owner, const QUrl& uri, const QString& name)
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
    QDateTime getCreateDate() const override { return createDate.toDateTime(); }
    bool setCreateDate(const QDateTime& value) override {
        createDate = value;
        return true;
    }

    QVariant id;         // node.node_id, unsigned 64-bit
    QVariant uri;        // node.uri, kept as its stored text so that it round-trips unchanged
    QVariant name;       // node.name
    QVariant createDate; // node.create_date
};

template <typename T> class MediaFile : public Node<T> {
public:
    MediaFile(OrvMediaManagerPlugin* owner, const QUrl& uri, const QString& name, int mediaFileType)
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
