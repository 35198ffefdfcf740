// The library operations at scale, each run through the plugin's host interface and beside it
// by a baseline that does the same rows with the sqlite3 C API and statements prepared once.
// Every case runs inside one host transaction (one transaction of the baseline), so that what
// is measured is the operations and not the disk's sync. Names are case<N>/<plugin|raw>/<size>.

#include "HostedLibrary.h"
#include "LibraryTemplates.h"
#include "RawLibraryWork.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

typedef VireoStudio::MediaManagerInterface M;
typedef std::chrono::steady_clock Clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Video files that no template holds: numbered from here on, never twice in a process.
qint64 nextNewFile = 10000000;

// The inputs of adding n new video files, made before the clock starts.
struct NewFiles {
    explicit NewFiles(qint64 n) {
        for (qint64 i = 0; i < n; ++i) {
            const qint64 number = nextNewFile++;
            uris.append(videoUri(number));
            urls.append(QUrl(uris.last()));
            titles.append(QStringLiteral("Clip %1").arg(number));
        }
    }
    QStringList uris;
    QList<QUrl> urls;
    QStringList titles;
};

void addThroughPlugin(M& library, const NewFiles& files, qsizetype i) {
    M::VideoFileInterface* file = nullptr;
    require(library.newVideoFile(files.urls.at(i), files.titles.at(i), 1000000 + quint64(i),
                                 60000 + quint64(i), &file),
            "newVideoFile");
    require(file->save(), "save");
    file->release();
}

void finish(benchmark::State& state, qint64 itemsPerIteration) {
    state.counters["items"] = double(itemsPerIteration);
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

// Case 1: N new video files inside one host transaction, the commit included.
void addVideosPlugin(benchmark::State& state, qint64 n) {
    for (auto _ : state) {
        const NewFiles files(n);
        LibraryFolder folder;
        folder.installLibrary(newLibraryTemplate());
        HostedLibrary library(folder);
        const auto start = Clock::now();
        require(library->beginTransaction(), "begin");
        for (qsizetype i = 0; i < files.uris.size(); ++i)
            addThroughPlugin(library.get(), files, i);
        require(library->commitTransaction(), "commit");
        state.SetIterationTime(secondsSince(start));
    }
    finish(state, n);
}

void addVideosRaw(benchmark::State& state, qint64 n) {
    for (auto _ : state) {
        const NewFiles files(n);
        LibraryFolder folder;
        folder.installLibrary(newLibraryTemplate());
        RawLibrary db(folder.libraryPath());
        RawVideoStore store(db);
        const auto start = Clock::now();
        db.exec("BEGIN");
        for (qsizetype i = 0; i < files.uris.size(); ++i)
            store.add(files.uris.at(i), files.titles.at(i), 1000000 + i, 60000 + i);
        db.exec("COMMIT");
        state.SetIterationTime(secondsSince(start));
    }
    finish(state, n);
}

// Case 2: one new video file, which appends it to the built-in playlists of types 1 and 2,
// into a library whose playlists hold `items` items already.
const qint64 kAppendsPerRun = 2000;

void appendPlugin(benchmark::State& state, qint64 items) {
    const NewFiles files(kAppendsPerRun);
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(items));
    HostedLibrary library(folder);
    require(library->beginTransaction(), "begin");
    qsizetype i = 0;
    for (auto _ : state)
        addThroughPlugin(library.get(), files, i++);
    require(library->rollbackTransaction(), "rollback");
    finish(state, 1);
}

void appendRaw(benchmark::State& state, qint64 items) {
    const NewFiles files(kAppendsPerRun);
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(items));
    RawLibrary db(folder.libraryPath());
    RawVideoStore store(db);
    db.exec("BEGIN");
    qsizetype i = 0;
    for (auto _ : state) {
        store.add(files.uris.at(i), files.titles.at(i), 1000000 + i, 60000 + i);
        ++i;
    }
    db.exec("ROLLBACK");
    finish(state, 1);
}

// Case 3: insertNodeAt into a user playlist of 10,000 items, at the front, the middle or the
// end. The list grows by one item per iteration; the middle follows it.
const qint64 kUserItems = 10000;
enum Where { Front, Middle, End };

qint64 positionIn(qint64 items, Where where) {
    switch (where) {
    case Front:
        return 0;
    case Middle:
        return items / 2;
    case End:
        break;
    }
    return items;
}

void insertPlugin(benchmark::State& state, Where where) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kUserItems, kUserItems));
    HostedLibrary library(folder);
    M::PlaylistInterface* playlist = nullptr;
    require(library->findPlaylist(QLatin1String(kBenchListName), &playlist), "findPlaylist");
    require(library->beginTransaction(), "begin");
    qint64 items = kUserItems;
    // The first insertion of a session reads the whole list; the ones measured follow it.
    require(playlist->insertNodeAt(quint64(positionIn(items, where)), 1), "insertNodeAt");
    ++items;
    for (auto _ : state) {
        require(playlist->insertNodeAt(quint64(positionIn(items, where)), quint64(items % 97 + 1)),
                "insertNodeAt");
        ++items;
    }
    require(library->rollbackTransaction(), "rollback");
    playlist->release();
    finish(state, 1);
}

const char kShiftItems[] = "UPDATE playlist_item SET play_order = play_order + 1 "
                           "WHERE playlist_id = ?1 AND play_order >= ?2";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (?1, ?2, ?3)";
const char kUserPlaylist[] = "SELECT playlist_id FROM playlist WHERE name = ?1";

void insertRaw(benchmark::State& state, Where where) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kUserItems, kUserItems));
    RawLibrary db(folder.libraryPath());
    RawStatement select(db.handle(), kUserPlaylist);
    select.bind(1, QLatin1String(kBenchListName));
    require(select.row(), "user playlist");
    const qint64 playlist = select.integer(0);
    select.reset();
    RawStatement shift(db.handle(), kShiftItems);
    RawStatement insert(db.handle(), kInsertItem);
    db.exec("BEGIN");
    qint64 items = kUserItems;
    for (auto _ : state) {
        const qint64 at = positionIn(items, where);
        shift.bind(1, playlist).bind(2, at).run();
        insert.bind(1, playlist).bind(2, items % 97 + 1).bind(3, at).run();
        ++items;
    }
    db.exec("ROLLBACK");
    finish(state, 1);
}

// Case 5: getMediaFile of an id whose object is live, and of ids that are not.
const qint64 kLookupFiles = 10000;

// The statements the plugin starts for lookups of ids, counted through SQLite's trace hook in
// a pass of their own after the timed one, so that the hook costs the timing nothing.
double statementsPerLookup(M& library, qint64 firstId, qint64 lookups) {
    const StatementCounter counter(HostedLibrary::connection());
    for (qint64 i = 0; i < lookups; ++i) {
        M::MediaFileInterface* file = nullptr;
        require(library.getMediaFile(quint64((firstId + i) % kLookupFiles + 1), &file),
                "getMediaFile");
        file->release();
    }
    return double(counter.count()) / double(lookups);
}

void liveLookupPlugin(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kLookupFiles));
    HostedLibrary library(folder);
    const qint64 liveId = 42;
    M::MediaFileInterface* held = nullptr;
    require(library->getMediaFile(liveId + 1, &held), "getMediaFile");
    require(library->beginTransaction(), "begin");
    for (auto _ : state) {
        M::MediaFileInterface* file = nullptr;
        require(library->getMediaFile(liveId + 1, &file), "getMediaFile");
        file->release();
    }
    state.counters["statements_per_op"] = statementsPerLookup(library.get(), liveId, 1000);
    require(library->rollbackTransaction(), "rollback");
    held->release();
    finish(state, 1);
}

void coldLookupPlugin(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kLookupFiles));
    HostedLibrary library(folder);
    qint64 id = 0;
    require(library->beginTransaction(), "begin");
    for (auto _ : state) {
        M::MediaFileInterface* file = nullptr;
        require(library->getMediaFile(quint64(id % kLookupFiles + 1), &file), "getMediaFile");
        file->release();
        ++id;
    }
    // Ids half the list away from the last ones looked up: none of them is live any more.
    state.counters["statements_per_op"] =
        statementsPerLookup(library.get(), id + kLookupFiles / 2, 1000);
    require(library->rollbackTransaction(), "rollback");
    finish(state, 1);
}

void lookupRaw(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kLookupFiles));
    RawLibrary db(folder.libraryPath());
    RawVideoLoader loader(db);
    qint64 id = 0;
    db.exec("BEGIN");
    for (auto _ : state) {
        RawVideoRow row;
        require(loader.load(id % kLookupFiles + 1, row), "load");
        benchmark::DoNotOptimize(row);
        ++id;
    }
    db.exec("ROLLBACK");
    state.counters["statements_per_op"] = 1;
    finish(state, 1);
}

// Case 6: saveRecentFile of a new entry with three title positions, at a list of 30 that the
// save trims back to 30.
const int kRecentMaximum = 30;
const qint64 kPositions[3][4] = {{1, 2, 3, 61000}, {2, 1, 1, 5000}, {3, 1, 2, 7000}};

void writeRecentMaximum(const LibraryFolder& folder) {
    const QString file = folder.dataHome() + QStringLiteral("/../config/Vireo/registry.reg");
    require(QDir().mkpath(QFileInfo(file).absolutePath()), "settings folder");
    QFile out(file);
    require(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "settings file");
    out.write(QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_CURRENT_USER\\SOFTWARE\\Vireo\\Settings\\"
                             "VireoStudio.MediaLibrary\\Playback]\n"
                             "\"RecentFileMaximum\"=dword:%1\n")
                  .arg(kRecentMaximum, 8, 16, QLatin1Char('0'))
                  .toLatin1());
    // A player's settings file was written long before: the store reads one as soon as it has
    // settled, and changed only seconds ago it reads it anew every time.
    require(out.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                            QFileDevice::FileModificationTime),
            "settings file time");
}

M::TitlePositionList titlePositions() {
    M::TitlePositionList positions;
    for (const auto& p : kPositions)
        positions.append(M::TitlePosition{p[0], p[1], p[2], p[3]});
    return positions;
}

void saveRecentThroughPlugin(M& library, const QUrl& url, const M::TitlePositionList& positions) {
    M::RecentFileInterface* recent = nullptr;
    require(library.newRecentFile(url, &recent), "newRecentFile");
    recent->setPositions(positions);
    require(recent->save(), "saveRecentFile");
    recent->release();
}

const qint64 kRecentSaves = 3000;

void saveRecentPlugin(benchmark::State& state) {
    const NewFiles files(kRecentMaximum + kRecentSaves);
    const M::TitlePositionList positions = titlePositions();
    LibraryFolder folder;
    folder.installLibrary(newLibraryTemplate());
    writeRecentMaximum(folder);
    HostedLibrary library(folder);
    qsizetype i = 0;
    for (; i < kRecentMaximum; ++i)
        saveRecentThroughPlugin(library.get(), files.urls.at(i), positions);
    require(library->beginTransaction(), "begin");
    for (auto _ : state)
        saveRecentThroughPlugin(library.get(), files.urls.at(i++), positions);
    require(library->rollbackTransaction(), "rollback");
    finish(state, 1);
}

void saveRecentRaw(benchmark::State& state) {
    const NewFiles files(kRecentMaximum + kRecentSaves);
    LibraryFolder folder;
    folder.installLibrary(newLibraryTemplate());
    RawLibrary db(folder.libraryPath());
    RawRecentStore store(db, kRecentMaximum);
    qsizetype i = 0;
    for (; i < kRecentMaximum; ++i)
        store.add(files.uris.at(i), kPositions, 3);
    db.exec("BEGIN");
    for (auto _ : state)
        store.add(files.uris.at(i++), kPositions, 3);
    db.exec("ROLLBACK");
    finish(state, 1);
}

// Case 7: a playlist of 100,000 items listed by position, each file loaded and released.
const qint64 kListedItems = 100000;

void listPlugin(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kListedItems));
    for (auto _ : state) {
        HostedLibrary library(folder);
        M::PlaylistInterface* playlist = nullptr;
        require(library->getPlaylistAt(2, 0, &playlist), "getPlaylistAt");
        const auto start = Clock::now();
        require(library->beginTransaction(), "begin");
        for (qint64 i = 0; i < kListedItems; ++i) {
            M::MediaFileInterface* file = nullptr;
            require(playlist->getMediaFileAt(quint64(i), &file), "getMediaFileAt");
            file->release();
        }
        require(library->commitTransaction(), "commit");
        state.SetIterationTime(secondsSince(start));
        playlist->release();
    }
    finish(state, kListedItems);
}

const char kItemsInOrder[] =
    "SELECT node_id FROM playlist_item WHERE playlist_id = (SELECT playlist_id FROM playlist "
    "WHERE playlist_type = 2) ORDER BY play_order";

void listRaw(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kListedItems));
    for (auto _ : state) {
        RawLibrary db(folder.libraryPath());
        RawStatement items(db.handle(), kItemsInOrder);
        RawVideoLoader loader(db);
        const auto start = Clock::now();
        db.exec("BEGIN");
        qint64 listed = 0;
        while (items.row()) {
            RawVideoRow row;
            require(loader.load(items.integer(0), row), "load");
            benchmark::DoNotOptimize(row);
            ++listed;
        }
        items.reset();
        db.exec("COMMIT");
        state.SetIterationTime(secondsSince(start));
        require(listed == kListedItems, "every item listed");
    }
    finish(state, kListedItems);
}

// Registration: big runs once per repetition with the clock set by hand, small operations
// many times per run. Medians come from five repetitions.
const int kRepetitions = 5;

void manual(benchmark::internal::Benchmark* b, int repetitions = kRepetitions) {
    b->UseManualTime()
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly()
        ->Unit(benchmark::kMillisecond);
}

void perOperation(benchmark::internal::Benchmark* b, benchmark::IterationCount iterations) {
    b->Iterations(iterations)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly()
        ->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    for (qint64 n : {10000, 100000}) {
        const int repetitions = n > 10000 ? 3 : kRepetitions;
        manual(benchmark::RegisterBenchmark(("case1/plugin/" + std::to_string(n)).c_str(),
                                            addVideosPlugin, n),
               repetitions);
        manual(benchmark::RegisterBenchmark(("case1/raw/" + std::to_string(n)).c_str(),
                                            addVideosRaw, n),
               repetitions);
    }
    for (qint64 items : {0, 100000}) {
        perOperation(benchmark::RegisterBenchmark(("case2/plugin/" + std::to_string(items)).c_str(),
                                                  appendPlugin, items),
                     kAppendsPerRun);
        perOperation(benchmark::RegisterBenchmark(("case2/raw/" + std::to_string(items)).c_str(),
                                                  appendRaw, items),
                     kAppendsPerRun);
    }
    const struct {
        const char* name;
        Where where;
        benchmark::IterationCount iterations;
    } places[] = {{"front", Front, 40}, {"middle", Middle, 80}, {"end", End, 1000}};
    for (const auto& place : places) {
        perOperation(
            benchmark::RegisterBenchmark((std::string("case3/plugin/") + place.name).c_str(),
                                         insertPlugin, place.where),
            place.iterations);
        perOperation(benchmark::RegisterBenchmark((std::string("case3/raw/") + place.name).c_str(),
                                                  insertRaw, place.where),
                     place.iterations);
    }
    perOperation(benchmark::RegisterBenchmark("case5/plugin/live", liveLookupPlugin), 200000);
    perOperation(benchmark::RegisterBenchmark("case5/plugin/cold", coldLookupPlugin), 20000);
    perOperation(benchmark::RegisterBenchmark("case5/raw/cold", lookupRaw), 20000);
    perOperation(benchmark::RegisterBenchmark("case6/plugin/30", saveRecentPlugin), kRecentSaves);
    perOperation(benchmark::RegisterBenchmark("case6/raw/30", saveRecentRaw), kRecentSaves);
    manual(benchmark::RegisterBenchmark("case7/plugin/100000", listPlugin), 3);
    manual(benchmark::RegisterBenchmark("case7/raw/100000", listRaw), 3);
    return true;
}();

} // namespace
