#pragma once

// One entry of the recently played list: a URI, the library node it belongs to (if any) and
// the resume positions of its titles. The first position lives in the entry's own row, the
// others in rows of their own.

#include "rows/Row.h"

namespace VireoStudio {

class RecentFile : public Row<MediaManagerInterface::RecentFileInterface> {
public:
    typedef MediaManagerInterface::TitlePositionList TitlePositionList;

    RecentFile(RowOwner* owner, const QUrl& uri) : Row(owner), uri(orv::urlText(uri)) {}
    RecentFile(RowOwner* owner, quint64 nodeId, const QUrl& uri)
        : Row(owner), uri(orv::urlText(uri)), nodeId(nodeId) {}

    bool save() override { return attached && library().saveRecentFile(this); }
    bool remove() override { return attached && !isNew() && library().deleteRecentFile(getId()); }
    quint64 getId() const override { return orv::numberAs<quint64>(id); }
    bool isNew() const override { return orv::isNotSet(id); }

    bool isUriNull() const override { return orv::isNotSet(uri); }
    QUrl getUri() const override { return orv::urlFromText(uri.toString()); }
    bool setUri(const QUrl& value) override {
        uri = orv::urlText(value);
        return true;
    }
    bool isNodeIdNull() const override { return orv::isNotSet(nodeId); }
    quint64 getNodeId() const override { return orv::numberAs<quint64>(nodeId); }
    bool setNodeId(quint64 value) override {
        nodeId = QVariant(value);
        return true;
    }
    bool isPositionListEmpty() const override { return positions.isEmpty(); }
    TitlePositionList getPositions() const override { return positions; }
    bool setPositions(const TitlePositionList& value) override {
        positions = value;
        return true;
    }

    QVariant id;     // recent_file_id, unsigned 64-bit
    QVariant uri;    // the played URI, kept as its stored text
    QVariant nodeId; // the library node of the URI, unsigned 64-bit, or null
    TitlePositionList positions;
};

} // namespace VireoStudio
