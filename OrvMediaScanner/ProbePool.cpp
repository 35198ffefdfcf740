#include "ProbePool.h"

#include <pthread.h>

namespace {
// Jobs per worker that may wait or be done but not taken: enough that no worker idles while
// the writer stores what the others found.
const int kJobsPerWorker = 64;
} // namespace

ProbePool::ProbePool(int workers, const ProbeLimits& limits, std::function<void()> done)
    : limits(limits), done(std::move(done)) {
    if (workers <= 0)
        workers = int(std::max(1u, std::thread::hardware_concurrency()));
    capacity = workers * kJobsPerWorker;
    workerCount = workers;
    // The module and the libraries it pulls in are loaded here, before any worker starts:
    // loaded on a worker thread that later ends, they leave the heap damaged when the process
    // exits. Whether it loads is told per file.
    QString unused;
    probingAvailable(&unused);
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([this] { work(); });
}

ProbePool::~ProbePool() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

int ProbePool::room() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return capacity - handedOut;
}

void ProbePool::submit(Job job) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        waiting.push_back(std::move(job));
        ++handedOut;
    }
    wake.notify_one();
}

QList<ProbePool::Done> ProbePool::take() {
    const std::lock_guard<std::mutex> lock(mutex);
    QList<Done> taken;
    taken.swap(finished);
    handedOut -= int(taken.size());
    return taken;
}

int ProbePool::outstanding() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return handedOut;
}

void ProbePool::work() {
    pthread_setname_np(pthread_self(), "orv-prober");
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !waiting.empty(); });
        if (stopping)
            return;
        Job job = std::move(waiting.front());
        waiting.pop_front();
        lock.unlock();
        ProbeResult result = probeFile(job.path, limits);
        lock.lock();
        finished.append({std::move(job), std::move(result)});
        // The writer is woken when a good part of the results waits for it, or when the
        // workers are about to run out of jobs; not after every probe, as every wake-up costs
        // a switch between threads.
        const bool wakeWriter =
            finished.size() >= capacity / 2 || waiting.size() <= size_t(workerCount);
        lock.unlock();
        if (wakeWriter)
            done();
        lock.lock();
    }
}
