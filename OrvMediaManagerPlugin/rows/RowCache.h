#pragma once

// A most-recently-used cache of counted row pointers held by value. It follows the classic
// QCache rules: inserting a key that is present replaces its entry and evicts nothing else; an
// insertion whose cost exceeds the maximum is refused; otherwise the oldest entries are dropped
// until the new one fits, and the new one becomes the newest. Dropping an entry releases its
// reference; releases run only after the cache is consistent again, because releasing a row
// can call back into the library.

#include <QHash>
#include <QVarLengthArray>

#include <iterator>
#include <list>
#include <utility>

template <typename Key, typename Value> class RowCache {
    // The values an operation drops, released once the cache is consistent again; an insertion
    // drops one or two, which stay off the heap.
    typedef QVarLengthArray<Value, 2> Dropped;

public:
    explicit RowCache(int maxCost = 100) : maxCost_(maxCost) {}
    RowCache(const RowCache&) = delete;
    RowCache& operator=(const RowCache&) = delete;
    ~RowCache() { clear(); }

    bool insert(const Key& key, const Value& value, int cost = 1) {
        Dropped dropped;
        takeOut(key, dropped);
        if (cost > maxCost_)
            return false;
        trim(maxCost_ - cost, dropped);
        if (spare.empty()) {
            entries.push_front(Entry{key, value, cost});
        } else {
            entries.splice(entries.begin(), spare, spare.begin());
            entries.front() = Entry{key, value, cost};
        }
        index.insert(key, entries.begin());
        totalCost_ += cost;
        return true;
    }

    // The value under key, refreshed as the newest; a default value when absent.
    Value object(const Key& key) {
        const auto it = index.constFind(key);
        if (it == index.constEnd())
            return Value();
        entries.splice(entries.begin(), entries, it.value());
        return entries.front().value;
    }

    bool contains(const Key& key) const { return index.contains(key); }

    bool remove(const Key& key) {
        Dropped dropped;
        return takeOut(key, dropped);
    }

    void clear() {
        Dropped dropped;
        for (Entry& entry : entries)
            dropped.push_back(std::move(entry.value));
        entries.clear();
        spare.clear();
        index.clear();
        totalCost_ = 0;
    }

    int maxCost() const { return maxCost_; }
    int totalCost() const { return totalCost_; }
    int size() const { return int(index.size()); }

private:
    struct Entry {
        Key key;
        Value value;
        int cost;
    };

    bool takeOut(const Key& key, Dropped& dropped) {
        const auto it = index.find(key);
        if (it == index.end())
            return false;
        const auto node = it.value();
        index.erase(it);
        totalCost_ -= node->cost;
        dropped.push_back(std::move(node->value));
        entries.erase(node);
        return true;
    }

    void trim(int budget, Dropped& dropped) {
        while (!entries.empty() && totalCost_ > budget) {
            Entry& oldest = entries.back();
            index.remove(oldest.key);
            totalCost_ -= oldest.cost;
            dropped.push_back(std::move(oldest.value));
            // The entry's node serves the next insertion: a full cache that takes one row and
            // drops another allocates nothing. It holds no row meanwhile.
            if (spare.size() < kSpareNodes) {
                oldest.value = Value();
                spare.splice(spare.begin(), entries, std::prev(entries.end()));
            } else {
                entries.pop_back();
            }
        }
    }

    std::list<Entry> entries; // newest first
    std::list<Entry> spare;   // nodes of dropped entries, for the next insertion
    static const size_t kSpareNodes = 2;
    QHash<Key, typename std::list<Entry>::iterator> index;
    int totalCost_ = 0;
    int maxCost_;
};
