#pragma once

/// @file
/// The host's message hub. Delivery is synchronous, on the sending thread.

#include "HostExport.h"

#include <QString>
#include <QVariant>

#include <functional>

/// The host's classes and the media-library interface.
namespace VireoStudio {

/// The host's message hub. The plugin publishes "Media.Item.Changed" with a node id when a
/// media file, acquired or queued file is deleted or an item leaves a playlist, and
/// "Media.List.Changed" with a playlist id when a playlist is deleted; the payload is the bare
/// id as an unsigned 64-bit number. Delivery is synchronous, on the sending thread, while the
/// library's lock is held: a subscriber may call the library again on that thread.
class ORV_HOST_EXPORT PubSubHub {
public:
    /// A subscriber: called with every message's name and payload.
    typedef std::function<void(const QString& name, const QVariant& payload)> Subscriber;

    /// Publishes a message to every subscriber; true when at least one received it.
    static bool sendMessage(const QString& name, const QVariant& payload);

    /// Adds a subscriber for every message; the number it returns removes it again.
    static int subscribe(Subscriber subscriber);
    /// Removes the subscriber that subscribe() returned @p subscription for.
    static void unsubscribe(int subscription);
};

} // namespace VireoStudio
