#include "PubSubHub.h"

#include <QMutex>
#include <QMutexLocker>

#include <map>

namespace VireoStudio {

namespace {

struct Subscribers {
    QMutex mutex;
    int next = 1;
    std::map<int, PubSubHub::Subscriber> byId;
};

Subscribers& subscribers() {
    static Subscribers instance;
    return instance;
}

} // namespace

bool PubSubHub::sendMessage(const QString& name, const QVariant& payload) {
    // Deliver outside the hub's own lock, so a subscriber may publish or subscribe in turn.
    std::map<int, Subscriber> targets;
    {
        QMutexLocker lock(&subscribers().mutex);
        targets = subscribers().byId;
    }
    for (const auto& [id, subscriber] : targets)
        subscriber(name, payload);
    return !targets.empty();
}

int PubSubHub::subscribe(Subscriber subscriber) {
    QMutexLocker lock(&subscribers().mutex);
    const int id = subscribers().next++;
    subscribers().byId.emplace(id, std::move(subscriber));
    return id;
}

void PubSubHub::unsubscribe(int subscription) {
    QMutexLocker lock(&subscribers().mutex);
    subscribers().byId.erase(subscription);
}

} // namespace VireoStudio
