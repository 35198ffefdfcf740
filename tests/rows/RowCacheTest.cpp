// The row cache keeps counted rows alive by the classic most-recently-used rules.

#include "rows/RowCache.h"
#include "RefCounted.h"

#include <gtest/gtest.h>

namespace {

class Counted : public vtl::IRefCounted {
public:
    explicit Counted(int* destroyed) : destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int addRef() override { return ++count; }
    int release() override {
        const int left = --count;
        if (left == 0)
            delete this;
        return left;
    }
    int refCount() const override { return count; }

private:
    int count = 0;
    int* destroyed;
};

typedef vtl::RefCountedPtr_STLSafe<Counted> Ptr;

class RowCacheTest : public ::testing::Test {
protected:
    Ptr make() { return Ptr(new Counted(&destroyed)); }
    int destroyed = 0;
};

TEST_F(RowCacheTest, DropsTheOldestWhenFullAndReleasesIt) {
    RowCache<quint64, Ptr> cache(2);
    cache.insert(1, make());
    cache.insert(2, make());
    EXPECT_EQ(destroyed, 0) << "the cache alone keeps its rows alive";
    cache.insert(3, make());
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(cache.contains(1));
    EXPECT_TRUE(cache.contains(2));
    EXPECT_TRUE(cache.contains(3));
    EXPECT_EQ(cache.totalCost(), 2);
}

TEST_F(RowCacheTest, ReinsertingAKeyReplacesItWithoutEvictingOthers) {
    RowCache<quint64, Ptr> cache(2);
    Ptr first = make();
    cache.insert(1, first);
    cache.insert(2, make());
    cache.insert(1, first); // full cache, existing key: nothing else goes
    EXPECT_TRUE(cache.contains(2));
    EXPECT_EQ(cache.size(), 2);
    EXPECT_EQ(first->refCount(), 2);
    // Key 1 is now the newest, so key 2 is the one pushed out next.
    cache.insert(3, make());
    EXPECT_FALSE(cache.contains(2));
    EXPECT_TRUE(cache.contains(1));
}

TEST_F(RowCacheTest, LookupRefreshesButContainsDoesNot) {
    RowCache<quint64, Ptr> cache(2);
    cache.insert(1, make());
    cache.insert(2, make());
    EXPECT_TRUE(cache.contains(1));
    cache.insert(3, make());
    EXPECT_FALSE(cache.contains(1)) << "contains must not refresh";

    EXPECT_TRUE(cache.object(2));
    cache.insert(4, make());
    EXPECT_TRUE(cache.contains(2)) << "object() refreshes";
    EXPECT_FALSE(cache.contains(3));
}

TEST_F(RowCacheTest, RefusesWhatCanNeverFitAndHoldsNothingAtZero) {
    RowCache<quint64, Ptr> cache(0);
    Ptr row = make();
    EXPECT_FALSE(cache.insert(1, row));
    EXPECT_EQ(row->refCount(), 1);
    RowCache<quint64, Ptr> small(1);
    small.insert(1, row);
    EXPECT_FALSE(small.insert(1, row, 2)) << "too costly";
    EXPECT_FALSE(small.contains(1)) << "the old entry of the key goes as well";
    EXPECT_EQ(row->refCount(), 1);
}

TEST_F(RowCacheTest, ClearAndDestructionReleaseEverything) {
    {
        RowCache<quint64, Ptr> cache(10);
        for (quint64 i = 0; i < 5; ++i)
            cache.insert(i, make());
        cache.clear();
        EXPECT_EQ(destroyed, 5);
        EXPECT_EQ(cache.totalCost(), 0);
        cache.insert(9, make());
    }
    EXPECT_EQ(destroyed, 6);
}

} // namespace
