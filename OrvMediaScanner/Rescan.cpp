#include "Rescan.h"

#include "FileUrls.h"
#include "HeldRow.h"
#include "HostTransaction.h"
#include "LibraryBatches.h"
#include "ProbePool.h"
#include "Scan.h"
#include "ScanRecord.h"

#include <QHash>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

typedef VireoStudio::MediaManagerInterface M;

const int kVideoFilesPlaylistType = 2;
// Entries the library reading hands the checker at a time.
const size_t kCheckerBatch = 256;

bool isAtOrBelow(const QByteArray& path, const QList<QByteArray>& under) {
    if (under.isEmpty())
        return true;
    for (const QByteArray& folder : under) {
        if (path == folder || folder == "/" ||
            (path.startsWith(folder) && path.at(folder.size()) == '/'))
            return true;
    }
    return false;
}

// Asks the file system about files folder by folder: each folder is opened once and its files
// are looked up by name, as a listing does, instead of walking the whole path for every file.
class FolderLookUp {
public:
    FolderLookUp() = default;
    ~FolderLookUp() { closeAll(); }
    FolderLookUp(const FolderLookUp&) = delete;
    FolderLookUp& operator=(const FolderLookUp&) = delete;

    // stat of path, following links; the error number, 0 when it succeeded.
    int stat(const QByteArray& path, struct stat* status) {
        const qsizetype slash = path.lastIndexOf('/');
        int folder = -1;
        if (slash > 0) {
            const auto known = folders.constFind(QByteArray::fromRawData(path.constData(), slash));
            if (known != folders.constEnd()) {
                folder = *known;
            } else {
                if (folders.size() >= kOpenFolders)
                    closeAll();
                folder = open(path.left(slash).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                folders.insert(path.left(slash), folder);
            }
        }
        const int result = folder >= 0 ? fstatat(folder, path.constData() + slash + 1, status, 0)
                                       : ::stat(path.constData(), status);
        return result == 0 ? 0 : errno;
    }

private:
    void closeAll() {
        for (const int fd : std::as_const(folders)) {
            if (fd >= 0)
                close(fd);
        }
        folders.clear();
    }

    // Folders kept open at most; beyond them all are closed and opened again as needed.
    static const qsizetype kOpenFolders = 256;
    QHash<QByteArray, int> folders; // -1 for a folder that could not be opened
};

} // namespace

Rescan::Rescan(M* library, RescanOptions options) : library(library), options(std::move(options)) {}

bool Rescan::readAndCheck(const QList<QByteArray>& under, ScanRecord* record,
                          std::vector<Entry>* entries, QString* error) {
    // One read transaction: one consistent picture, and the file locked once.
    HostTransaction reading(library);
    Held<M::PlaylistInterface> videos;
    if (!library->getPlaylistAt(kVideoFilesPlaylistType, 0, videos.out())) {
        *error = QStringLiteral("the library has no playlist of video files");
        return false;
    }
    const qint64 items = videos->getItemCount();
    entries->resize(size_t(qMax<qint64>(items, 0)));

    // The checker asks the file system about each entry as soon as it is read from the
    // library, on a thread of its own; it reads the record first.
    std::mutex mutex;
    std::condition_variable more;
    size_t published = 0; // entries read and handed to the checker
    bool readingDone = false;
    std::thread checker([&] {
        if (record)
            record->load();
        FolderLookUp files;
        size_t checked = 0;
        for (;;) {
            size_t available = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                more.wait(lock, [&] { return published > checked || readingDone; });
                available = published;
                if (checked == available && readingDone)
                    return;
            }
            for (; checked < available; ++checked) {
                Entry& entry = (*entries)[checked];
                struct stat status = {};
                entry.error = files.stat(entry.path, &status);
                if (entry.error != 0)
                    continue;
                const qint64 modified =
                    qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
                entry.asRecorded = S_ISREG(status.st_mode) && record &&
                                   record->holds(entry.path, status.st_size, modified);
            }
        }
    });

    size_t count = 0;
    for (qint64 position = 0; position < items; ++position) {
        Held<M::MediaFileInterface> file;
        if (!videos->getMediaFileAt(quint64(position), file.out()))
            continue;
        Entry& entry = (*entries)[count];
        entry.path = pathFromFileUrl(file->getUri());
        if (entry.path.isEmpty() || !isAtOrBelow(entry.path, under))
            continue;
        entry.id = file->getId();
        entry.size = file->isSizeNull() ? -1 : file->getSizeAsInt64();
        auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
        entry.duration = !video || video->isDurationNull() ? -1 : video->getDurationAsInt64();
        entry.title = file->isTitleNull() ? QString() : file->getTitle();
        ++count;
        if (count % kCheckerBatch == 0) {
            const std::lock_guard<std::mutex> lock(mutex);
            published = count;
            more.notify_one();
        }
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        published = count;
        readingDone = true;
        more.notify_one();
    }
    checker.join();
    entries->resize(count);
    return true;
}

bool Rescan::run(const QList<QByteArray>& under, QString* error) {
    tally = ScanCounts();
    const auto finish = [this](Outcome outcome, const QByteArray& path, const QString& reason) {
        tally.count(outcome);
        if (report)
            report({outcome, path, reason});
    };

    std::unique_ptr<ScanRecord> record;
    if (!options.recordFile.isEmpty())
        record = std::make_unique<ScanRecord>(options.recordFile);
    std::vector<Entry> entries;
    if (!readAndCheck(under, record.get(), &entries, error))
        return false;
    tally.found = qint64(entries.size());
    tally.discovering = false;

    // What is gone, what is as it was, what must be read again.
    QList<qsizetype> changed;
    QList<qsizetype> gone;
    for (qsizetype i = 0; i < qsizetype(entries.size()); ++i) {
        const Entry& entry = entries.at(size_t(i));
        if (entry.error == ENOENT || entry.error == ENOTDIR) {
            gone.append(i);
            finish(Outcome::Gone, entry.path, QString());
            if (record)
                record->forget(entry.path);
        } else if (entry.error != 0) {
            finish(Outcome::Unreadable, entry.path, QString::fromLocal8Bit(strerror(entry.error)));
        } else if (entry.asRecorded && !options.full) {
            finish(Outcome::Unchanged, entry.path, QString());
        } else {
            changed.append(i);
        }
    }
    if (progress)
        progress(tally);

    LibraryBatches batches(library, options.batchSize);
    QString failure;
    // What a probe found against what the library holds: stored anew where it differs.
    const auto update = [&](const Entry& entry, const ProbeResult& result) {
        if (record)
            record->remember(entry.path, result);
        if (result.kind != ProbeResult::Video) {
            finish(result.kind == ProbeResult::NotVideo ? Outcome::NotVideo : Outcome::Unreadable,
                   entry.path, result.reason);
            return;
        }
        const QString title = result.title.isEmpty() ? titleFromName(entry.path) : result.title;
        if (result.size == entry.size && result.durationMs == entry.duration &&
            title == entry.title) {
            finish(Outcome::Unchanged, entry.path, QString());
            return;
        }
        Held<M::MediaFileInterface> stored;
        auto* video = library->getMediaFile(entry.id, stored.out())
                          ? dynamic_cast<M::VideoFileInterface*>(stored.get())
                          : nullptr;
        if (!video) {
            finish(Outcome::Gone, entry.path, QStringLiteral("no longer in the library"));
            return;
        }
        if (!batches.begin()) {
            failure = QStringLiteral("the library cannot begin a transaction");
            return;
        }
        video->setSize(result.size);
        if (result.durationMs < 0)
            video->clearDuration();
        else
            video->setDuration(result.durationMs);
        video->setTitle(title);
        if (!video->save()) {
            failure =
                QStringLiteral("the library could not store %1").arg(displayUrl(video->getUri()));
            return;
        }
        finish(Outcome::Updated, entry.path, QString());
        if (!batches.stored())
            failure = QStringLiteral("the library could not commit the files stored");
    };

    if (!changed.isEmpty()) {
        std::mutex mutex;
        std::condition_variable ready;
        bool resultsWaiting = false;
        ProbePool probers(options.workers, options.limits, [&] {
            const std::lock_guard<std::mutex> lock(mutex);
            resultsWaiting = true;
            ready.notify_one();
        });
        qsizetype next = 0;
        while (next < changed.size() || probers.outstanding() > 0) {
            for (int room = probers.room(); room > 0 && next < changed.size(); --room, ++next)
                probers.submit(
                    {entries.at(size_t(changed.at(next))).path, quint64(changed.at(next))});
            {
                std::unique_lock<std::mutex> lock(mutex);
                ready.wait(lock, [&] { return resultsWaiting; });
                resultsWaiting = false;
            }
            for (const ProbePool::Done& done : probers.take()) {
                ++tally.probed;
                if (failure.isEmpty())
                    update(entries.at(size_t(done.job.tag)), done.result);
            }
            if (!failure.isEmpty())
                next = changed.size(); // nothing more is handed out
            if (progress)
                progress(tally);
        }
    }

    if (options.prune && failure.isEmpty()) {
        for (const qsizetype i : gone) {
            const Entry& entry = entries.at(size_t(i));
            if (!batches.begin() || !library->deleteVideoFile(entry.id)) {
                failure = QStringLiteral("the library could not delete %1")
                              .arg(displayUrl(fileUrlFromPath(entry.path)));
                break;
            }
            finish(Outcome::Pruned, entry.path, QString());
            if (!batches.stored()) {
                failure = QStringLiteral("the library could not commit the deletions");
                break;
            }
        }
    }
    if (failure.isEmpty() && !batches.finish())
        failure = QStringLiteral("the library could not commit the changes");
    if (!failure.isEmpty())
        batches.abandon();
    if (record)
        record->save();
    if (progress)
        progress(tally);
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    return true;
}
