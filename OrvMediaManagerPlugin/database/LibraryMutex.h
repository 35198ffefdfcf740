#pragma once

// The library's one lock: a recursive mutex that every library operation takes. QtCore is built
// without ThreadSanitizer, so the tool cannot see a QRecursiveMutex being taken and released and
// would report every access the lock guards as a race; in a ThreadSanitizer build the lock
// therefore announces itself to the tool. Elsewhere it is a plain QRecursiveMutex.

#include <QRecursiveMutex>

#if defined(__SANITIZE_THREAD__)
#define ORV_ANNOUNCE_LOCK 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORV_ANNOUNCE_LOCK 1
#endif
#endif

#ifdef ORV_ANNOUNCE_LOCK
#include <sanitizer/tsan_interface.h>
#endif

namespace VireoStudio {

class LibraryMutex {
public:
#ifdef ORV_ANNOUNCE_LOCK
    LibraryMutex() {
        __tsan_mutex_create(this, __tsan_mutex_write_reentrant);
    }
    ~LibraryMutex() {
        __tsan_mutex_destroy(this, __tsan_mutex_write_reentrant);
    }

    void lock() noexcept {
        __tsan_mutex_pre_lock(this, __tsan_mutex_write_reentrant);
        mutex.lock();
        __tsan_mutex_post_lock(this, __tsan_mutex_write_reentrant, 0);
    }
    void unlock() noexcept {
        __tsan_mutex_pre_unlock(this, 0);
        mutex.unlock();
        __tsan_mutex_post_unlock(this, 0);
    }
#else
    LibraryMutex() = default;
    void lock() noexcept {
        mutex.lock();
    }
    void unlock() noexcept {
        mutex.unlock();
    }
#endif
    LibraryMutex(const LibraryMutex&) = delete;
    LibraryMutex& operator=(const LibraryMutex&) = delete;

private:
    QRecursiveMutex mutex;
};

} // namespace VireoStudio
