// Four host threads share one plugin for a bounded time: each adds, looks up, changes and
// deletes video files of its own, keeps a playlist of its own and records plays, holding row
// objects of its own. Every answer must agree with what the thread did, and afterwards the rows
// must be exactly what each thread expects and the library intact.

#include "ReliabilityFixture.h"

#include <QElapsedTimer>
#include <QSqlQuery>

#include <algorithm>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef vtl::RefCountedPtr<M::VideoFileInterface> VideoPtr;

const int kThreads = 4;
const qint64 kDurationMs = 3000;
const int kMaxOperationsPerThread = 1500;
const int kRecentMaximum = 8;
// Row objects a thread keeps at most; the oldest goes when it takes another.
const size_t kHeldRows = 24;

// What one thread has done, as it expects to find it in the library.
struct ThreadModel {
    std::map<quint64, QString> urls;   // video file id -> URL
    std::map<quint64, QString> titles; // video file id -> title
    std::vector<VideoPtr> held;
    quint64 playlistId = 0;
    std::vector<quint64> items;          // node ids in play order
    std::map<QString, qint64> positions; // played URL -> last position
    int operations = 0;
};

// Takes one reference off a row received through an out-pointer, leaving it to the pointer.
template <typename T> vtl::RefCountedPtr<T> adopt(T* row) {
    vtl::RefCountedPtr<T> held(row);
    if (row)
        row->release();
    return held;
}

class ThreadStress : public ReliabilityFixture {
protected:
    void work(int thread, ThreadModel& model) {
        std::mt19937 random(1234u + unsigned(thread));
        const auto pick = [&](size_t size) {
            return size_t(std::uniform_int_distribution<size_t>(0, size - 1)(random));
        };
        M::PlaylistInterface* playlistRow = nullptr;
        ASSERT_TRUE(library->newPlaylist(QStringLiteral("Thread %1").arg(thread), 1, &playlistRow));
        const vtl::RefCountedPtr<M::PlaylistInterface> playlist = adopt(playlistRow);
        ASSERT_TRUE(playlist->save());
        model.playlistId = playlist->getId();

        // The first thread also watches the playlist of every video file, which the others
        // change by adding and deleting theirs; it reads only counts and sums, so it never holds
        // another thread's row.
        vtl::RefCountedPtr<M::PlaylistInterface> videos;
        if (thread == 0) {
            M::PlaylistInterface* row = nullptr;
            ASSERT_TRUE(library->getPlaylistAt(2, 0, &row));
            videos = adopt(row);
        }

        QElapsedTimer clock;
        clock.start();
        int next = 0;
        while (clock.elapsed() < kDurationMs && model.operations < kMaxOperationsPerThread) {
            ++model.operations;
            if (videos && model.operations % 5 == 0) {
                EXPECT_GE(videos->getItemCount(), qint64(model.urls.size()));
                EXPECT_GE(videos->getTotalDuration(), 0);
            }
            const int dice = int(std::uniform_int_distribution<int>(0, 99)(random));
            if (model.urls.empty() || dice < 25) {
                const QString url =
                    QStringLiteral("file:///thread%1/clip%2.avi").arg(thread).arg(++next);
                const QString title = QStringLiteral("Clip %1 of %2").arg(next).arg(thread);
                M::VideoFileInterface* row = nullptr;
                ASSERT_TRUE(library->newVideoFile(QUrl(url), title, 1000, 60, &row))
                    << url.toStdString();
                const VideoPtr file = adopt(row);
                ASSERT_TRUE(file->save()) << url.toStdString();
                ASSERT_FALSE(file->isNew());
                model.urls[file->getId()] = url;
                model.titles[file->getId()] = title;
                model.held.push_back(file);
                if (model.held.size() > kHeldRows)
                    model.held.erase(model.held.begin());
                continue;
            }
            auto entry = model.urls.begin();
            std::advance(entry, pick(model.urls.size()));
            const quint64 id = entry->first;
            const QString url = entry->second;
            if (dice < 45) {
                M::MediaFileInterface* row = nullptr;
                ASSERT_TRUE(library->findMediaFile(QUrl(url), &row)) << url.toStdString();
                const auto found = adopt(row);
                EXPECT_EQ(found->getId(), id);
                EXPECT_EQ(found->getTitle(), model.titles[id]);
                M::MediaFileInterface* again = nullptr;
                ASSERT_TRUE(library->getMediaFile(id, &again));
                EXPECT_EQ(adopt(again).get(), found.get()) << "one id, one object";
            } else if (dice < 60) {
                M::MediaFileInterface* row = nullptr;
                ASSERT_TRUE(library->getMediaFile(id, &row));
                const auto file = adopt(dynamic_cast<M::VideoFileInterface*>(row));
                ASSERT_TRUE(file);
                const QString title = QStringLiteral("Renamed %1").arg(model.operations);
                file->setTitle(title);
                ASSERT_TRUE(file->save());
                model.titles[id] = title;
            } else if (dice < 70) {
                ASSERT_TRUE(library->deleteVideoFile(id));
                model.urls.erase(id);
                model.titles.erase(id);
                model.items.erase(std::remove(model.items.begin(), model.items.end(), id),
                                  model.items.end());
                EXPECT_FALSE(library->findMediaFile(QUrl(url), nullptr)) << url.toStdString();
            } else if (dice < 85) {
                const size_t at = pick(model.items.size() + 2);
                ASSERT_TRUE(playlist->insertNodeAt(at, id));
                model.items.insert(
                    model.items.begin() + std::ptrdiff_t(std::min(at, model.items.size())), id);
                EXPECT_EQ(playlist->getItemCount(), qint64(model.items.size()));
            } else if (dice < 92) {
                if (model.items.empty())
                    continue;
                const size_t at = pick(model.items.size());
                ASSERT_TRUE(playlist->removeAt(at));
                model.items.erase(model.items.begin() + std::ptrdiff_t(at));
                EXPECT_EQ(playlist->getItemCount(), qint64(model.items.size()));
            } else {
                M::RecentFileInterface* row = nullptr;
                if (!library->findRecentFile(QUrl(url), &row)) {
                    ASSERT_TRUE(library->newRecentFile(QUrl(url), &row)) << url.toStdString();
                }
                const auto recent = adopt(row);
                const qint64 position = model.operations * 10;
                recent->setPositions({M::TitlePosition{1, 1, QVariant(), position}});
                ASSERT_TRUE(recent->save());
                model.positions[url] = position;
            }
        }
        model.held.clear();
    }
};

TEST_F(ThreadStress, FourHostThreadsKeepTheLibraryExact) {
    setRecentFileMaximum(kRecentMaximum);
    startPlugin();
    ASSERT_TRUE(library->isOpen());

    std::vector<ThreadModel> models(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([this, i, &models] { work(i, models[size_t(i)]); });
    for (std::thread& thread : threads)
        thread.join();

    int operations = 0;
    for (int i = 0; i < kThreads; ++i) {
        SCOPED_TRACE(testing::Message() << "thread " << i);
        const ThreadModel& model = models[size_t(i)];
        operations += model.operations;
        std::map<quint64, QString> titles;
        QSqlQuery files(checkDatabase());
        ASSERT_TRUE(files.exec(QStringLiteral("SELECT node_id, title FROM node JOIN media_file "
                                              "USING (node_id) JOIN video_file USING (node_id) "
                                              "WHERE uri LIKE 'file:///thread%1/%'")
                                   .arg(i)));
        while (files.next())
            titles[files.value(0).toULongLong()] = files.value(1).toString();
        EXPECT_EQ(titles, model.titles);
        const QList<quint64> items = itemNodes(model.playlistId);
        EXPECT_EQ(std::vector<quint64>(items.begin(), items.end()), model.items);
        // The list keeps only the newest plays, of every thread together; those it keeps carry
        // the position recorded last.
        QSqlQuery recent(checkDatabase());
        ASSERT_TRUE(recent.exec(QStringLiteral("SELECT uri, position_msecs FROM recent_file "
                                               "WHERE uri LIKE 'file:///thread%1/%'")
                                    .arg(i)));
        while (recent.next()) {
            const auto expected = model.positions.find(recent.value(0).toString());
            ASSERT_NE(expected, model.positions.end());
            EXPECT_EQ(recent.value(1).toLongLong(), expected->second);
        }
    }
    expectIntact(kRecentMaximum);
    std::printf("%d operations in %d threads\n", operations, kThreads);
}

} // namespace
