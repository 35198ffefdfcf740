#include "Scan.h"

#include <pthread.h>

#include "Discovery.h"
#include "FileUrls.h"
#include "HeldRow.h"
#include "LibraryBatches.h"
#include "ProbePool.h"
#include "ScanRecord.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

typedef VireoStudio::MediaManagerInterface M;

// Discovered paths waiting for the writer; the walker waits while this many do.
const size_t kInboxCapacity = 1024;
// Discovered paths the walker hands over at a time.
const size_t kHandOver = 32;

// What the walker hands the writer: a file, or a path passed over.
struct Discovered {
    bool isFile = true;
    FoundFile file;
    PassedOver passed;
};

QString collisionReason(M::NodeInterface* stored) {
    return QStringLiteral("differs only in letter case from %1 (id %2); the library does not "
                          "tell such URLs apart")
        .arg(displayUrl(stored->getUri()))
        .arg(stored->getId());
}

} // namespace

QString titleFromName(const QByteArray& path) {
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot > 0)
        name.truncate(dot);
    return QString::fromUtf8(name);
}

// The writer's state for one run: the queue from the walker, the probers, the batches and the
// record.
struct Scan::Writer {
    Writer(Scan& scan) : scan(scan), library(scan.library) {}

    Scan& scan;
    M* library;

    std::mutex mutex;
    std::condition_variable ready; // the writer has work
    std::condition_variable space; // the walker may go on
    std::deque<Discovered> inbox;
    bool walking = true;
    bool resultsWaiting = false;
    std::atomic<bool> stop{false};

    std::unique_ptr<ScanRecord> record;
    QString failure;

    void finish(Outcome outcome, const QByteArray& path, const QString& reason = QString()) {
        scan.tally.count(outcome);
        if (scan.report)
            scan.report({outcome, path, reason});
    }

    // A file the walk found: in the library already, known to the record, or to be probed.
    void consider(FoundFile&& file, ProbePool& probers, LibraryBatches& batches) {
        const QUrl url = fileUrlFromPath(file.path);
        Held<M::MediaFileInterface> stored;
        if (library->findMediaFile(url, stored.out())) {
            if (displayUrl(stored->getUri()) == displayUrl(url))
                finish(Outcome::AlreadyInLibrary, file.path,
                       QStringLiteral("id %1").arg(stored->getId()));
            else
                finish(Outcome::CaseCollision, file.path, collisionReason(stored.get()));
            return;
        }
        if (record) {
            if (const auto known = record->lookUp(file.path, file.size, file.modifiedNs)) {
                ++scan.tally.probed;
                take(file.path, *known, batches, false);
                return;
            }
        }
        probers.submit({file.path, 0});
    }

    // What a probe (or the record) said of a file: stored when it is a video. A probe's result
    // is remembered.
    void take(const QByteArray& path, const ProbeResult& result, LibraryBatches& batches,
              bool probed = true) {
        if (result.kind == ProbeResult::Unreadable) {
            finish(Outcome::Unreadable, path, result.reason);
            return;
        }
        if (record && probed)
            record->remember(path, result);
        if (result.kind == ProbeResult::NotVideo) {
            finish(Outcome::NotVideo, path, result.reason);
            return;
        }
        store(path, result, batches);
    }

    void store(const QByteArray& path, const ProbeResult& result, LibraryBatches& batches) {
        const ScanOptions& given = scan.options;
        const QUrl url = fileUrlFromPath(path);
        const QString title =
            given.title.value_or(result.title.isEmpty() ? titleFromName(path) : result.title);
        const qint64 size = given.size.value_or(result.size);
        const qint64 duration = given.durationMs.value_or(result.durationMs);
        if (!batches.begin()) {
            failure = QStringLiteral("the library cannot begin a transaction");
            return;
        }
        Held<M::VideoFileInterface> file;
        if (!library->newVideoFile(url, title, quint64(size), quint64(qMax<qint64>(duration, 0)),
                                   file.out())) {
            // Stored meanwhile, under this URL or one that differs in letter case.
            Held<M::MediaFileInterface> stored;
            if (!library->findMediaFile(url, stored.out()))
                failure =
                    QStringLiteral("the library cannot make an entry for %1").arg(displayUrl(url));
            else if (displayUrl(stored->getUri()) == displayUrl(url))
                finish(Outcome::AlreadyInLibrary, path,
                       QStringLiteral("id %1").arg(stored->getId()));
            else
                finish(Outcome::CaseCollision, path, collisionReason(stored.get()));
            return;
        }
        // A node of the library that is not a video file yet (acquired content) becomes one as
        // well, unless its URL differs in letter case: then it is another file.
        if (!file->isNew()) {
            Held<M::AcquiredFileInterface> node;
            if (library->findAcquiredFile(url, node.out()) &&
                displayUrl(node->getUri()) != displayUrl(url)) {
                finish(Outcome::CaseCollision, path, collisionReason(node.get()));
                return;
            }
        }
        if (duration < 0)
            file->clearDuration();
        if (!file->save()) {
            // The library rolled the whole batch back.
            failure = QStringLiteral("the library could not store %1").arg(displayUrl(url));
            return;
        }
        finish(Outcome::Added, path, QStringLiteral("id %1").arg(file->getId()));
        if (!batches.stored())
            failure = QStringLiteral("the library could not commit the files stored");
    }
};

Scan::Scan(M* library, ScanOptions options) : library(library), options(std::move(options)) {}

bool Scan::run(const QList<QByteArray>& paths, QString* error) {
    tally = ScanCounts();
    Writer writer(*this);
    if (!options.recordFile.isEmpty()) {
        writer.record = std::make_unique<ScanRecord>(options.recordFile);
        writer.record->load();
    }

    // The walker: lists the paths and hands them over a few dozen at a time (one wake-up of
    // the writer each), waiting while the writer has enough to do.
    std::thread walker([&] {
        pthread_setname_np(pthread_self(), "orv-walker");
        std::vector<Discovered> pending;
        const auto handOver = [&writer, &pending] {
            std::unique_lock<std::mutex> lock(writer.mutex);
            writer.space.wait(
                lock, [&writer] { return writer.stop || writer.inbox.size() < kInboxCapacity; });
            if (!writer.stop)
                std::move(pending.begin(), pending.end(), std::back_inserter(writer.inbox));
            pending.clear();
            writer.ready.notify_one();
        };
        const auto hand = [&pending, &handOver](Discovered&& item) {
            pending.push_back(std::move(item));
            if (pending.size() >= kHandOver)
                handOver();
        };
        Discovery discovery({options.recurse});
        for (const QByteArray& path : paths) {
            if (writer.stop)
                break;
            discovery.walk(
                path,
                [&hand](FoundFile&& file) {
                    Discovered item;
                    item.file = std::move(file);
                    hand(std::move(item));
                },
                [&hand](PassedOver&& passed) {
                    Discovered item;
                    item.isFile = false;
                    item.passed = std::move(passed);
                    hand(std::move(item));
                },
                &writer.stop);
        }
        handOver();
        const std::lock_guard<std::mutex> lock(writer.mutex);
        writer.walking = false;
        writer.ready.notify_one();
    });

    LibraryBatches batches(library, options.batchSize, committed);
    {
        ProbePool probers(options.workers, options.limits, [&writer] {
            const std::lock_guard<std::mutex> lock(writer.mutex);
            writer.resultsWaiting = true;
            writer.ready.notify_one();
        });
        for (;;) {
            QList<ProbePool::Done> results;
            std::deque<Discovered> taken;
            {
                std::unique_lock<std::mutex> lock(writer.mutex);
                writer.ready.wait(lock, [&] {
                    return writer.resultsWaiting || (!writer.inbox.empty() && probers.room() > 0) ||
                           (!writer.walking && writer.inbox.empty() && probers.outstanding() == 0);
                });
                writer.resultsWaiting = false;
                // The results first: taking them makes room for as many new jobs.
                results = probers.take();
                // As many discovered paths as the probers have room for; the rest wait.
                for (int room = probers.room(); room > 0 && !writer.inbox.empty(); --room) {
                    taken.push_back(std::move(writer.inbox.front()));
                    writer.inbox.pop_front();
                }
                tally.discovering = writer.walking;
                if (!taken.empty())
                    writer.space.notify_one();
                if (results.isEmpty() && taken.empty() && !writer.walking && writer.inbox.empty() &&
                    probers.outstanding() == 0)
                    break;
            }
            // The new jobs go out before the results are stored, so that the probers have work
            // all the while the writer stores (a few milliseconds for a few dozen files).
            for (Discovered& item : taken) {
                ++tally.found;
                if (!writer.failure.isEmpty())
                    continue;
                if (item.isFile)
                    writer.consider(std::move(item.file), probers, batches);
                else
                    writer.finish(item.passed.unreadable ? Outcome::Unreadable : Outcome::NotVideo,
                                  item.passed.path, item.passed.reason);
            }
            for (ProbePool::Done& done : results) {
                ++tally.probed;
                if (writer.failure.isEmpty())
                    writer.take(done.job.path, done.result, batches);
            }
            if (!writer.failure.isEmpty() && !writer.stop) {
                // Nothing more is stored: the walk stops, the probes under way run out.
                const std::lock_guard<std::mutex> lock(writer.mutex);
                writer.stop = true;
                writer.inbox.clear();
                writer.space.notify_all();
            }
            if (progress)
                progress(tally);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(writer.mutex);
        writer.stop = true;
        writer.space.notify_all();
    }
    walker.join();
    tally.discovering = false;

    if (writer.failure.isEmpty() && !batches.finish())
        writer.failure = QStringLiteral("the library could not commit the files stored");
    if (!writer.failure.isEmpty()) {
        batches.abandon();
        tally.added -= batches.lost();
    }
    if (writer.record)
        writer.record->save();
    if (progress)
        progress(tally);
    if (!writer.failure.isEmpty()) {
        *error = writer.failure;
        return false;
    }
    return true;
}
