#pragma once

// What every kind of media file's store and delete share: the node row and the media_file
// columns they write, the look-ups of a node's detail rows, and the two ways a node's detail
// goes (one detail row, or the whole node with every row the schema's trigger takes with it).

#include "database/SqlValues.h"
#include "rows/NodeStatements.h"
#include "rows/RowOwner.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

namespace VireoStudio {
namespace NodeStore {

// The name a URL gives a new node: the last section of its path (the whole text after the last
// "/" for a text QUrl cannot parse).
QString nodeNameOf(const QUrl& uri);

// The node id stored for a URL (matched without regard to ASCII letter case).
bool nodeIdOfUri(LibraryContext& context, const QUrl& uri, quint64* id);

// Whether a statement with one bound value runs and returns a row; false in ran when it does
// not run.
bool hasRow(LibraryContext& context, const char* statement, const char* placeholder,
            const QVariant& value, bool* ran = nullptr);

// Writes a row's node (kInsertNode for a new row, kUpdateNode otherwise, prepared in node). A
// new row gets the id the insert gave its node and the time as its create date. False when
// the statement fails or a new node has no id.
template <typename Row> bool writeNode(Statement& node, Row* file, bool isNew) {
    if (!isNew)
        orv::bind(node, ":ID", file->id);
    orv::bind(node, ":NAME", file->name);
    orv::bind(node, ":URI", file->uri);
    if (!node.exec())
        return false;
    if (isNew) {
        if (node.numRowsAffected() != 1 || orv::isNotSet(node.lastInsertId()))
            return false;
        file->id = QVariant(orv::toUInt64(node.lastInsertId()));
        file->stampCreateDate();
    }
    return true;
}

// Binds the media_file columns every media file has (:TYPE is the caller's).
template <typename Row> void bindMediaColumns(Statement& media, const Row& file) {
    orv::bind(media, ":ID", file.id);
    orv::bind(media, ":SIZE", file.size);
    orv::bind(media, ":TITLE", file.title);
    orv::bind(media, ":DESC", file.description);
    orv::bind(media, ":LASTPLAYED", file.lastPlayed);
    orv::bind(media, ":USERRATING", file.userRating);
    orv::bind(media, ":PLAYCOUNT", file.playCount);
}

// Whether the node has a row of the detail a look-up (kVideoRowOf, kQueuedRowOf) asks for;
// false in ran when that cannot be told. A look-up that fails must never pass for "no such
// row": the caller would delete the whole node with it.
bool hasDetailRow(LibraryContext& context, const char* lookUp, quint64 id, bool* ran);

// Deletes one detail row of a node (a statement on :ID) and takes the node out of the system
// playlists of the types in leave, in one transaction; false, with nothing changed, when any of
// it fails. The live objects are the caller's to detach afterwards.
bool deleteDetailRow(RowOwner& owner, const char* statement, quint64 id, const QList<int>& leave);

// Deletes a whole node; the schema's trigger takes its detail rows, playlist items and recent
// entry link with it. False when the statement fails.
bool deleteNode(LibraryContext& context, quint64 id);

} // namespace NodeStore
} // namespace VireoStudio
