#pragma once

// Thumbnail makers: worker threads, one per core, that make the pictures of the files handed to
// them, the most urgent first, and tell each outcome as it comes.

#include "Thumbnailer.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ThumbnailPool {
public:
    typedef std::function<void(const QByteArray& path, const ThumbnailOutcome& outcome)> Done;

    // workers 0: one per core. done is called on a worker's thread after each file.
    ThumbnailPool(const Thumbnailer& thumbnailer, int workers, Done done);
    // Drops the files that wait and finishes those in hand.
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    // Hands a file (an absolute path) over, behind the others.
    void submit(const QByteArray& path);
    // Hands a file over ahead of the others: what a person is looking at now.
    void submitFirst(const QByteArray& path);
    // Forgets the files not yet begun.
    void dropWaiting();
    // Blocks until every file handed over is done.
    void wait();
    // Files handed over and not yet done.
    int pending() const;

private:
    void work();

    const Thumbnailer thumbnailer;
    const Done done;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<QByteArray> waiting;
    int inHand = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
};
