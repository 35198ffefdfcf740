#include "ThumbnailPool.h"

ThumbnailPool::ThumbnailPool(const Thumbnailer& thumbnailer, int workers, Done done)
    : thumbnailer(thumbnailer), done(std::move(done)) {
    if (workers <= 0)
        workers = int(std::max(1u, std::thread::hardware_concurrency()));
    // The rendering module and the libraries it pulls in are loaded here, before any worker
    // starts: loaded on a worker thread that later ends, they leave the heap damaged when the
    // process exits. Whether it loads is told per file.
    QString unused;
    Thumbnailer::renderingAvailable(&unused);
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([this] { work(); });
}

ThumbnailPool::~ThumbnailPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        waiting.clear();
    }
    wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

void ThumbnailPool::submit(const QByteArray& path) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        waiting.push_back(path);
    }
    wake.notify_one();
}

void ThumbnailPool::submitFirst(const QByteArray& path) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        waiting.push_front(path);
    }
    wake.notify_one();
}

void ThumbnailPool::dropWaiting() {
    const std::lock_guard<std::mutex> lock(mutex);
    waiting.clear();
    if (inHand == 0)
        idle.notify_all();
}

void ThumbnailPool::wait() {
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return waiting.empty() && inHand == 0; });
}

int ThumbnailPool::pending() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return int(waiting.size()) + inHand;
}

void ThumbnailPool::work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !waiting.empty(); });
        if (stopping)
            return;
        const QByteArray path = waiting.front();
        waiting.pop_front();
        ++inHand;
        lock.unlock();
        const ThumbnailOutcome outcome = thumbnailer.make(path);
        done(path, outcome);
        lock.lock();
        --inHand;
        if (waiting.empty() && inHand == 0)
            idle.notify_all();
    }
}
