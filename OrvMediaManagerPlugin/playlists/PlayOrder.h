#pragma once

// Where an item appended to a playlist goes: one after the highest play order the playlist
// holds, 0 when it is empty. The count of items would not do: a removal leaves a gap, and the
// count can then equal the order of an item that is already there. Every append of the
// library, the imports' included, takes its order from here.

#include "database/StatementCache.h"

#include <QVariant>

namespace VireoStudio {
namespace PlayOrder {

// The next order of the playlist bound to :PID, read from the end of the
// (playlist_id, play_order) index rather than from all its items.
extern const char kNextOrder[];

// Runs next (a statement of kNextOrder) for a playlist; false when it fails.
bool readNextOrder(Statement& next, const QVariant& playlistId, qint64* order);

} // namespace PlayOrder
} // namespace VireoStudio
