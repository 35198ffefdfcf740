#pragma once

// The host's message hub. Delivery is synchronous, on the sending thread.

#include "HostExport.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace VireoStudio {

class ORV_HOST_EXPORT PubSubHub {
public:
    typedef std::function<void(const QString& name, const QVariant& payload)> Subscriber;

    // Publishes a message to every subscriber; true when at least one received it.
    static bool sendMessage(const QString& name, const QVariant& payload);

    // Adds a subscriber for every message; the number it returns removes it again.
    static int subscribe(Subscriber subscriber);
    static void unsubscribe(int subscription);
};

} // namespace VireoStudio
