#pragma once

// Probers: worker threads, one per core, that probe the files the writer hands them and hold
// the results until the writer takes them. The writer never waits on a probe: it hands out work
// while there is room and takes what is done.

#include "MediaProbe.h"

#include <QByteArray>
#include <QList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ProbePool {
public:
    struct Job {
        QByteArray path;
        quint64 tag = 0; // the writer's own note, handed back with the result
    };
    struct Done {
        Job job;
        ProbeResult result;
    };

    // workers 0: one per core. done is called (on a worker's thread) when the writer should
    // take the results: when half the jobs handed out are done, or when few jobs are left to
    // the workers.
    ProbePool(int workers, const ProbeLimits& limits, std::function<void()> done);
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    // How many more jobs fit: the jobs handed out and not yet taken back stay below a few per
    // worker, so memory stays flat however many files wait.
    int room() const;
    void submit(Job job);
    // The results so far, in the order the probes ended.
    QList<Done> take();
    // Jobs handed out and not yet taken back.
    int outstanding() const;

private:
    void work();

    const ProbeLimits limits;
    const std::function<void()> done;
    int capacity = 0;
    int workerCount = 0;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> waiting;
    QList<Done> finished;
    int handedOut = 0; // submitted, not yet taken back
    bool stopping = false;
    std::vector<std::thread> threads;
};
