#include "Rescan.h"

#include "FileUrls.h"
#include "HeldRow.h"
#include "HostTransaction.h"
#include "LibraryBatches.h"
#include "ProbePool.h"
#include "Scan.h"
#include "ScanRecord.h"

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
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

} // namespace

// Asks the file system about files folder by folder: each folder is opened once and its files
// are looked up by name, as a listing does, instead of walking the whole path for every file.
class Rescan::FolderLookUp {
public:
    FolderLookUp() = default;
    ~FolderLookUp() { closeAll(); }
    FolderLookUp(const FolderLookUp&) = delete;
    FolderLookUp& operator=(const FolderLookUp&) = delete;

    // stat of path, following links; the error number, 0 when it succeeded. path need not end
    // in a zero byte.
    int stat(const QByteArray& path, struct stat* status) {
        const qsizetype slash = path.lastIndexOf('/');
        const qsizetype nameLength = path.size() - slash - 1;
        if (slash <= 0 || nameLength <= 0 || nameLength > NAME_MAX || path.size() >= PATH_MAX)
            return ::stat(QByteArray(path.constData(), path.size()).constData(), status) == 0
                       ? 0
                       : errno;
        int folder = -1;
        const auto known = folders.constFind(QByteArray::fromRawData(path.constData(), slash));
        if (known != folders.constEnd()) {
            folder = *known;
        } else {
            if (folders.size() >= kOpenFolders)
                closeAll();
            const QByteArray folderPath(path.constData(), slash);
            folder = open(folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            folders.insert(folderPath, folder);
        }
        char name[NAME_MAX + 1];
        memcpy(name, path.constData() + slash + 1, size_t(nameLength));
        name[nameLength] = '\0';
        if (folder >= 0)
            return fstatat(folder, name, status, 0) == 0 ? 0 : errno;
        return ::stat(QByteArray(path.constData(), path.size()).constData(), status) == 0 ? 0
                                                                                          : errno;
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

Rescan::Rescan(std::function<M*()> library, RescanOptions options)
    : library(std::move(library)), options(std::move(options)) {}

void Rescan::check(const ScanRecord* record, std::vector<Entry>* entries, size_t from, size_t to,
                   FolderLookUp& files) {
    for (size_t i = from; i < to; ++i) {
        Entry& entry = (*entries)[i];
        struct stat status = {};
        entry.error = files.stat(entry.file.path, &status);
        if (entry.error != 0)
            continue;
        const qint64 modified =
            qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
        entry.asRecorded = S_ISREG(status.st_mode) && record &&
                           record->holds(entry.file.path, status.st_size, modified);
    }
}

bool Rescan::readAndCheck(M* library, const QList<QByteArray>& under, const ScanRecord* record,
                          std::vector<Entry>* entries, QList<ScanRecord::ListedFile>* listing,
                          std::optional<ScanRecord::LibraryStamp>* stamp, QString* error) {
    // One read transaction: one consistent picture, and the file locked once.
    HostTransaction reading(library);
    Held<M::PlaylistInterface> videos;
    if (!library->getPlaylistAt(kVideoFilesPlaylistType, 0, videos.out())) {
        *error = QStringLiteral("the library has no playlist of video files");
        return false;
    }
    const qint64 items = videos->getItemCount();
    entries->resize(size_t(qMax<qint64>(items, 0)));
    listing->reserve(items);

    // The checker asks the file system about each entry as soon as it is read from the
    // library, on a thread of its own.
    std::mutex mutex;
    std::condition_variable more;
    size_t published = 0; // entries read and handed to the checker
    bool readingDone = false;
    std::thread checker([&] {
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
            check(record, entries, checked, available, files);
            checked = available;
        }
    });

    size_t count = 0;
    for (qint64 position = 0; position < items; ++position) {
        Held<M::MediaFileInterface> file;
        if (!videos->getMediaFileAt(quint64(position), file.out()))
            continue;
        ScanRecord::ListedFile listed;
        listed.path = pathFromFileUrl(file->getUri());
        if (listed.path.isEmpty())
            continue;
        listed.id = file->getId();
        listed.size = file->isSizeNull() ? -1 : file->getSizeAsInt64();
        auto* video = dynamic_cast<M::VideoFileInterface*>(file.get());
        listed.duration = !video || video->isDurationNull() ? -1 : video->getDurationAsInt64();
        listed.title = file->isTitleNull() ? QByteArray() : file->getTitle().toUtf8();
        listing->append(listed);
        if (!isAtOrBelow(listed.path, under))
            continue;
        (*entries)[count].file = std::move(listed);
        ++count;
        if (count % kCheckerBatch == 0) {
            const std::lock_guard<std::mutex> lock(mutex);
            published = count;
            more.notify_one();
        }
    }
    // Read while no one can write: the stamp the library file has with this content.
    *stamp = ScanRecord::LibraryStamp::of(options.libraryFile);
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
    if (!options.recordFile.isEmpty()) {
        record = std::make_unique<ScanRecord>(options.recordFile);
        record->load();
    }
    M* opened = nullptr;
    const auto libraryOpen = [&] {
        if (!opened)
            opened = library();
        return opened;
    };

    // The library's local files: kept in the record when the library file is as it was then,
    // else read through the plugin (and kept for the next time).
    std::vector<Entry> entries;
    QList<ScanRecord::ListedFile> listing;
    const std::optional<ScanRecord::LibraryStamp> stampNow =
        options.libraryFile.isEmpty() ? std::nullopt
                                      : ScanRecord::LibraryStamp::of(options.libraryFile);
    const QList<ScanRecord::ListedFile>* kept =
        record && stampNow ? record->listing(*stampNow) : nullptr;
    if (kept) {
        entries.reserve(size_t(kept->size()));
        for (const ScanRecord::ListedFile& listed : *kept) {
            if (isAtOrBelow(listed.path, under))
                entries.push_back({listed, 0, false});
        }
        // Folder by folder, as the file system keeps them.
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.file.path < b.file.path; });
        FolderLookUp files;
        check(record.get(), &entries, 0, entries.size(), files);
    } else {
        if (!libraryOpen())
            return false;
        std::optional<ScanRecord::LibraryStamp> stampRead;
        if (!readAndCheck(opened, under, record.get(), &entries, &listing, &stampRead, error))
            return false;
        if (record && stampRead)
            record->keepListing(*stampRead, std::move(listing));
    }
    tally.found = qint64(entries.size());
    tally.discovering = false;

    // What is gone, what is as it was, what must be read again.
    QList<qsizetype> changed;
    QList<qsizetype> gone;
    for (qsizetype i = 0; i < qsizetype(entries.size()); ++i) {
        const Entry& entry = entries.at(size_t(i));
        if (entry.error == ENOENT || entry.error == ENOTDIR) {
            gone.append(i);
            finish(Outcome::Gone, entry.file.path, QString());
            if (record)
                record->forget(entry.file.path);
        } else if (entry.error != 0) {
            finish(Outcome::Unreadable, entry.file.path,
                   QString::fromLocal8Bit(strerror(entry.error)));
        } else if (entry.asRecorded && !options.full) {
            finish(Outcome::Unchanged, entry.file.path, QString());
        } else {
            changed.append(i);
        }
    }
    if (progress)
        progress(tally);

    std::unique_ptr<LibraryBatches> batches;
    QString failure;
    // Begins writing: the library is opened when it was not, and the listing kept no longer
    // holds once it is written.
    const auto beginWriting = [&] {
        if (!batches) {
            if (!libraryOpen()) {
                failure = QStringLiteral("the library cannot be opened");
                return false;
            }
            batches = std::make_unique<LibraryBatches>(opened, options.batchSize);
            if (record)
                record->dropListing();
        }
        if (batches->begin())
            return true;
        failure = QStringLiteral("the library cannot begin a transaction");
        return false;
    };
    // What a probe found against what the library holds: stored anew where it differs.
    const auto update = [&](const ScanRecord::ListedFile& listed, const ProbeResult& result) {
        if (record)
            record->remember(listed.path, result);
        if (result.kind != ProbeResult::Video) {
            finish(result.kind == ProbeResult::NotVideo ? Outcome::NotVideo : Outcome::Unreadable,
                   listed.path, result.reason);
            return;
        }
        const QString title = result.title.isEmpty() ? titleFromName(listed.path) : result.title;
        if (result.size == listed.size && result.durationMs == listed.duration &&
            !listed.title.isNull() && title == QString::fromUtf8(listed.title)) {
            finish(Outcome::Unchanged, listed.path, QString());
            return;
        }
        if (!beginWriting())
            return;
        Held<M::MediaFileInterface> stored;
        auto* video = opened->getMediaFile(listed.id, stored.out())
                          ? dynamic_cast<M::VideoFileInterface*>(stored.get())
                          : nullptr;
        if (!video || pathFromFileUrl(video->getUri()) != listed.path) {
            finish(Outcome::Gone, listed.path, QStringLiteral("no longer in the library"));
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
        finish(Outcome::Updated, listed.path, QString());
        if (!batches->stored())
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
            for (int room = probers.room(); room > 0 && next < changed.size(); --room, ++next) {
                // A path of the listing points into the record without an end: the prober
                // opens a copy of its own.
                const QByteArray& path = entries.at(size_t(changed.at(next))).file.path;
                probers.submit(
                    {QByteArray(path.constData(), path.size()), quint64(changed.at(next))});
            }
            {
                std::unique_lock<std::mutex> lock(mutex);
                ready.wait(lock, [&] { return resultsWaiting; });
                resultsWaiting = false;
            }
            for (const ProbePool::Done& done : probers.take()) {
                ++tally.probed;
                if (failure.isEmpty())
                    update(entries.at(size_t(done.job.tag)).file, done.result);
            }
            if (!failure.isEmpty())
                next = changed.size(); // nothing more is handed out
            if (progress)
                progress(tally);
        }
    }

    if (options.prune && failure.isEmpty()) {
        for (const qsizetype i : gone) {
            const ScanRecord::ListedFile& listed = entries.at(size_t(i)).file;
            if (!beginWriting())
                break;
            // Only the entry of this very file goes.
            Held<M::MediaFileInterface> stored;
            if (!opened->getMediaFile(listed.id, stored.out()) ||
                pathFromFileUrl(stored->getUri()) != listed.path)
                continue;
            stored.reset();
            if (!opened->deleteVideoFile(listed.id)) {
                failure = QStringLiteral("the library could not delete %1")
                              .arg(displayUrl(fileUrlFromPath(listed.path)));
                break;
            }
            finish(Outcome::Pruned, listed.path, QString());
            if (!batches->stored()) {
                failure = QStringLiteral("the library could not commit the deletions");
                break;
            }
        }
    }
    if (batches && failure.isEmpty() && !batches->finish())
        failure = QStringLiteral("the library could not commit the changes");
    if (batches && !failure.isEmpty())
        batches->abandon();
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
