#pragma once

// One object per stored row while that object is in use: the live objects of one kind by id,
// and the most recently used of them kept alive in a cache after the host lets them go. The
// library's record holds one of these per kind of row.

#include "RefCounted.h"
#include "rows/RowCache.h"

#include <QHash>

namespace VireoStudio {

template <typename I> class LiveRows {
public:
    typedef vtl::RefCountedPtr_STLSafe<I> Ptr;

    explicit LiveRows(int cacheCost) : cache(cacheCost) {}
    LiveRows(const LiveRows&) = delete;
    LiveRows& operator=(const LiveRows&) = delete;

    // Registers a row as the live object of its id and keeps it among the recently used ones.
    // The row is held for the whole registration: a row nobody else holds yet would otherwise
    // go through its release hook, and be destroyed, half-way.
    void add(quint64 id, I* row) {
        const Ptr held(row);
        live.insert(id, held);
        cache.insert(id, held);
    }

    // Hands out the live object of an id, with a reference for the receiver (none when out is
    // null); false when the id has none. No statement runs.
    template <typename Out> bool handOut(quint64 id, Out** out) const {
        const auto found = live.constFind(id);
        if (found == live.constEnd())
            return false;
        if (out) {
            *out = found.value().get();
            (*out)->addRef();
        }
        return true;
    }

    bool contains(quint64 id) const { return live.contains(id); }
    // The live object of an id, without a reference; null when none.
    I* find(quint64 id) const {
        const auto found = live.constFind(id);
        return found == live.constEnd() ? nullptr : found.value().get();
    }
    // Whether the live object of the id is this very row (looked at in place: a copy of the
    // pointer would take and drop a reference on that object).
    template <typename R> bool isRegistered(quint64 id, const R* row) const {
        const auto found = live.constFind(id);
        return found != live.constEnd() && found.value().get() == row;
    }

    // Takes an id out of the live objects; the object comes back held, so that the caller can
    // detach it before its last release (which may run the release hook again) happens on a
    // consistent map. The cache keeps what it holds.
    Ptr take(quint64 id) {
        const auto found = live.find(id);
        if (found == live.end())
            return Ptr();
        const Ptr held = found.value();
        live.erase(found);
        return held;
    }
    // Takes an id out of the live objects and out of the cache; the object comes back held.
    Ptr withdraw(quint64 id) {
        const Ptr held = take(id);
        cache.remove(id);
        return held;
    }

    template <typename F> void forEachLive(F visit) const {
        for (const Ptr& row : live)
            visit(row.get());
    }
    bool isEmpty() const { return live.isEmpty(); }

    // The cache goes before the live objects: releasing a cached row may still reach them.
    void clearCache() { cache.clear(); }
    void clearLive() { live.clear(); }

private:
    QHash<quint64, Ptr> live;
    RowCache<quint64, Ptr> cache;
};

} // namespace VireoStudio
