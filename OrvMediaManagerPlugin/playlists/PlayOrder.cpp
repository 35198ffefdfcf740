#include "PlayOrder.h"

#include "database/SqlValues.h"

namespace VireoStudio {
namespace PlayOrder {

const char kNextOrder[] =
    "SELECT coalesce(max(play_order) + 1, 0) FROM playlist_item WHERE playlist_id = :PID";

bool readNextOrder(Statement& next, const QVariant& playlistId, qint64* order) {
    orv::bind(next, ":PID", playlistId);
    bool ok = false;
    if (next.exec() && next.next())
        *order = next.value(0).toLongLong(&ok);
    next.finish();
    return ok;
}

} // namespace PlayOrder
} // namespace VireoStudio
