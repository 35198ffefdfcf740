// Detaching rows whose ids go away, and the change messages the host sees for deletions.

#include "OrvMediaManagerPlugin.h"

#include "PubSubHub.h"
#include "database/LibraryContext.h"
#include "rows/Row.h"

#include <QMutexLocker>

namespace VireoStudio {

namespace {

const char kItemChanged[] = "Media.Item.Changed";
const char kListChanged[] = "Media.List.Changed";

void publish(const char* message, quint64 id) {
    PubSubHub::sendMessage(QLatin1String(message), QVariant::fromValue<quint64>(id));
}

// Takes id out of a live map. The object is held until it is detached and out of the map, so
// that its last release (which may run the release hook again) happens on a consistent map.
template <typename I, typename Detach>
void forget(LibraryContext& context, QHash<quint64, LibraryContext::Ptr<I>>& live, quint64 id,
            Detach detach) {
    QMutexLocker lock(&context.mutex);
    const auto it = live.constFind(id);
    if (it == live.constEnd())
        return;
    const LibraryContext::Ptr<I> held = it.value();
    detach(held.get());
    live.remove(id);
}

// Whether the live map's object for the row's id is this very row (looked at in place: a copy
// of the pointer would take and drop a reference on that object).
template <typename I, typename R>
bool isRegistered(const QHash<quint64, LibraryContext::Ptr<I>>& live, quint64 id, R* row) {
    const auto found = live.constFind(id);
    return found != live.constEnd() && found.value().get() == row;
}

} // namespace

void OrvMediaManagerPlugin::forgetMediaFile(quint64 id, bool notify) {
    QMutexLocker lock(&context->mutex);
    forget(*context, context->liveMediaFiles, id, [](MediaFileInterface* row) {
        if (auto* video = dynamic_cast<Row<VideoFileInterface>*>(row))
            video->detach();
    });
    if (notify)
        publish(kItemChanged, id);
}

void OrvMediaManagerPlugin::forgetAcquiredFile(quint64 id, bool notify) {
    QMutexLocker lock(&context->mutex);
    forget(*context, context->liveAcquiredFiles, id, [](AcquiredFileInterface* row) {
        if (auto* acquired = dynamic_cast<Row<AcquiredFileInterface>*>(row))
            acquired->detach();
        else if (auto* queued = dynamic_cast<Row<QueuedFileInterface>*>(row))
            queued->detach();
    });
    if (notify)
        publish(kItemChanged, id);
}

void OrvMediaManagerPlugin::forgetNode(quint64 id, bool notify) {
    forgetMediaFile(id, notify);
    forgetAcquiredFile(id, notify);
}

void OrvMediaManagerPlugin::forgetRecentFile(quint64 id) {
    forget(*context, context->liveRecentFiles, id, [](RecentFileInterface* row) {
        if (auto* recent = dynamic_cast<Row<RecentFileInterface>*>(row))
            recent->detach();
    });
}

void OrvMediaManagerPlugin::forgetPlaylist(quint64 id, bool notify) {
    QMutexLocker lock(&context->mutex);
    forget(*context, context->livePlaylists, id, [](PlaylistInterface* row) {
        if (auto* playlist = dynamic_cast<Row<PlaylistInterface>*>(row))
            playlist->detach();
    });
    if (notify)
        publish(kListChanged, id);
}

void OrvMediaManagerPlugin::releaseHook(MediaFileInterface* row) {
    QMutexLocker lock(&context->mutex);
    if (row->isNew())
        return;
    const quint64 id = row->getId();
    // A row that a later save replaced in the map must not take its successor out. The maps
    // are asked before the type tests: a look-up settles most rows more cheaply than a cast.
    if (isRegistered(context->liveMediaFiles, id, row) && dynamic_cast<VideoFileInterface*>(row))
        forgetMediaFile(id, false);
    if (isRegistered(context->liveAcquiredFiles, id, row) &&
        dynamic_cast<AcquiredFileInterface*>(row))
        forgetAcquiredFile(id, false);
}

void OrvMediaManagerPlugin::releaseHook(RecentFileInterface* row) {
    QMutexLocker lock(&context->mutex);
    if (!row->isNew() && isRegistered(context->liveRecentFiles, row->getId(), row))
        forgetRecentFile(row->getId());
}

void OrvMediaManagerPlugin::releaseHook(PlaylistInterface* row) {
    QMutexLocker lock(&context->mutex);
    if (!row->isNew() && isRegistered(context->livePlaylists, row->getId(), row))
        forgetPlaylist(row->getId(), false);
}

} // namespace VireoStudio
