// The library operations at scale, each run through the plugin's host interface beside a
// baseline that does the same rows with the sqlite3 C API and statements prepared once, on a
// copy of the same library file. Every case runs inside one host transaction (one transaction
// of the baseline), so that what is measured is the operations and not the disk's syncs and
// file locks. Both sides of a case run in alternating rounds within each repetition (Paired.h).
// Names are case<N>/<what>/<size>.

#include "HostedLibrary.h"
#include "LibraryTemplates.h"
#include "Paired.h"
#include "PlainVideoStore.h"
#include "PluginConnection.h"
#include "RawLibraryWork.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

typedef VireoStudio::MediaManagerInterface M;

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

// The same inputs for a plain program: UTF-8 texts, sizes and durations as the plugin's side
// gives them (1000000 + i and 60000 + i for the i-th file).
std::vector<PlainVideoFile> plainNewFiles(qint64 n) {
    std::vector<PlainVideoFile> files;
    files.reserve(size_t(n));
    for (qint64 i = 0; i < n; ++i) {
        const qint64 number = nextNewFile++;
        files.push_back({videoUri(number).toStdString(), videoName(number).toStdString(),
                         QStringLiteral("Clip %1").arg(number).toStdString(), 1000000 + i,
                         60000 + i});
    }
    return files;
}

void addThroughPlugin(M& library, const NewFiles& files, qsizetype i) {
    M::VideoFileInterface* file = nullptr;
    require(library.newVideoFile(files.urls.at(i), files.titles.at(i), 1000000 + quint64(i),
                                 60000 + quint64(i), &file),
            "newVideoFile");
    require(file->save(), "save");
    file->release();
}

void finish(benchmark::State& state) {
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

// A library of each side, both copies of the same template; prepare, when given, readies the
// plugin's folder before the plugin starts on it.
struct Sides {
    explicit Sides(const QString& from,
                   const std::function<void(const LibraryFolder&)>& prepare = nullptr) {
        pluginFolder.installLibrary(from);
        rawFolder.installLibrary(from);
        if (prepare)
            prepare(pluginFolder);
        library = std::make_unique<HostedLibrary>(pluginFolder);
        db = std::make_unique<RawLibrary>(rawFolder.libraryPath());
    }
    M& plugin() const { return library->get(); }

    LibraryFolder pluginFolder;
    LibraryFolder rawFolder;
    std::unique_ptr<HostedLibrary> library;
    std::unique_ptr<RawLibrary> db;
};

// Case 1: N new video files inside one host transaction, the commit included, against a plain
// sqlite3 program that adds the same rows with no Qt in its timed part (PlainVideoStore). Each
// side keeps its transaction open across the rounds and adds the files in chunks, the sides
// taking turns chunk by chunk, so that a slow moment of the machine falls on both alike; the
// last chunk commits. A run of more than 10,000 files also reports the plugin's cost per file over
// the first 10,000 of them (the work of the 10,000 case, bar its commit): the growth measured in
// one run, where the machine's speed from one run to the next does not enter it.
const qint64 kAddChunk = 500;
const qint64 kFirstFiles = 10000;

void addVideos(benchmark::State& state, qint64 n) {
    for (auto _ : state) {
        const NewFiles pluginFiles(n);
        const std::vector<PlainVideoFile> rawFiles = plainNewFiles(n);
        Sides sides(newLibraryTemplate());
        PlainVideoStore store(sides.db->handle());
        qsizetype pluginNext = 0;
        size_t rawNext = 0;
        Rounds rounds({whole([&] {
                           if (pluginNext == 0)
                               require(sides.plugin().beginTransaction(), "begin");
                           for (qint64 k = 0; k < kAddChunk; ++k)
                               addThroughPlugin(sides.plugin(), pluginFiles, pluginNext++);
                           if (pluginNext == pluginFiles.uris.size())
                               require(sides.plugin().commitTransaction(), "commit");
                       }),
                       whole([&] {
                           if (rawNext == 0)
                               sides.db->exec("BEGIN");
                           for (qint64 k = 0; k < kAddChunk; ++k)
                               store.add(rawFiles[rawNext++]);
                           if (rawNext == rawFiles.size())
                               sides.db->exec("COMMIT");
                       })});
        if (n > kFirstFiles) {
            rounds.run(int(kFirstFiles / kAddChunk));
            const double first = rounds.secondsOf(0);
            rounds.run(int((n - kFirstFiles) / kAddChunk));
            state.counters["growth"] =
                (rounds.secondsOf(0) / double(n)) / (first / double(kFirstFiles));
        } else {
            rounds.run(int(n / kAddChunk));
        }
        reportPair(state, rounds, double(n));
    }
    finish(state);
}

// Case 2: one new video file, which appends it to the built-in playlists of types 1 and 2,
// into a library whose playlists are empty and into one whose playlists hold 100,000 items.
// The four sides run in the same rounds, so that the growth from the one to the other is
// measured under the same conditions as the ratios. The plugin holds one library at a time
// (its connection has a fixed name): each round of a side opens its library, appends inside a
// transaction it then rolls back, and closes the library again; only the appends count.
const qint64 kLargePlaylist = 100000;
const int kAppendRounds = 10;
const qint64 kAppendsPerRound = 200;

std::function<double()> appendThroughPlugin(const LibraryFolder* folder, const NewFiles* files,
                                            qsizetype* next) {
    return [=] {
        HostedLibrary library(*folder);
        require(library->beginTransaction(), "begin");
        const double seconds = timed([&] {
            for (qint64 k = 0; k < kAppendsPerRound; ++k)
                addThroughPlugin(library.get(), *files, (*next)++);
        });
        require(library->rollbackTransaction(), "rollback");
        return seconds;
    };
}

std::function<double()> appendRaw(const LibraryFolder* folder, const NewFiles* files,
                                  qsizetype* next) {
    return [=] {
        RawLibrary db(folder->libraryPath());
        RawVideoStore store(db);
        db.exec("BEGIN");
        const double seconds = timed([&] {
            for (qint64 k = 0; k < kAppendsPerRound; ++k, ++*next)
                store.add(files->uris.at(*next), files->titles.at(*next), 1000000 + *next,
                          60000 + *next);
        });
        db.exec("ROLLBACK");
        return seconds;
    };
}

void append(benchmark::State& state) {
    const qint64 appends = kAppendRounds * kAppendsPerRound;
    const NewFiles files(4 * appends);
    LibraryFolder folders[4];
    for (int side = 0; side < 4; ++side)
        folders[side].installLibrary(side < 2 ? newLibraryTemplate()
                                              : filledLibraryTemplate(kLargePlaylist));
    qsizetype next[4] = {0, appends, 2 * appends, 3 * appends};
    for (auto _ : state) {
        Rounds rounds({appendThroughPlugin(&folders[0], &files, &next[0]),
                       appendRaw(&folders[1], &files, &next[1]),
                       appendThroughPlugin(&folders[2], &files, &next[2]),
                       appendRaw(&folders[3], &files, &next[3])});
        rounds.run(kAppendRounds);
        const double ops = double(appends);
        state.SetIterationTime(rounds.secondsOf(2));
        state.counters["plugin_us_empty"] = rounds.secondsOf(0) * 1e6 / ops;
        state.counters["raw_us_empty"] = rounds.secondsOf(1) * 1e6 / ops;
        state.counters["ratio_empty"] = rounds.secondsOf(0) / rounds.secondsOf(1);
        state.counters["plugin_us"] = rounds.secondsOf(2) * 1e6 / ops;
        state.counters["raw_us"] = rounds.secondsOf(3) * 1e6 / ops;
        state.counters["ratio"] = rounds.secondsOf(2) / rounds.secondsOf(3);
        state.counters["growth"] = rounds.secondsOf(2) / rounds.secondsOf(0);
    }
    finish(state);
}

// Case 3: insertNodeAt into a user playlist of 10,000 items, at the front, the middle or the
// end, against one shifting UPDATE and the INSERT. The lists grow by one item per insertion;
// the middle follows them.
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

const char kShiftItems[] = "UPDATE playlist_item SET play_order = play_order + 1 "
                           "WHERE playlist_id = ?1 AND play_order >= ?2";
const char kInsertItem[] =
    "INSERT INTO playlist_item (playlist_id, node_id, play_order) VALUES (?1, ?2, ?3)";
const char kUserPlaylist[] = "SELECT playlist_id FROM playlist WHERE name = ?1";

void insert(benchmark::State& state, Where where, int roundCount, qint64 perRound) {
    Sides sides(filledLibraryTemplate(kUserItems, kUserItems));
    M::PlaylistInterface* playlist = nullptr;
    require(sides.plugin().findPlaylist(QLatin1String(kBenchListName), &playlist), "findPlaylist");
    RawStatement select(sides.db->handle(), kUserPlaylist);
    select.bind(1, QLatin1String(kBenchListName));
    require(select.row(), "user playlist");
    const qint64 rawPlaylist = select.integer(0);
    select.reset();
    RawStatement shift(sides.db->handle(), kShiftItems);
    RawStatement insertItem(sides.db->handle(), kInsertItem);

    require(sides.plugin().beginTransaction(), "begin");
    sides.db->exec("BEGIN");
    // The first insertion of a session reads the whole list; the ones measured follow it.
    qint64 pluginItems = kUserItems;
    qint64 rawItems = kUserItems;
    require(playlist->insertNodeAt(quint64(positionIn(pluginItems++, where)), 1), "insertNodeAt");
    for (auto _ : state) {
        Rounds rounds(
            {whole([&] {
                 for (qint64 k = 0; k < perRound; ++k, ++pluginItems)
                     require(playlist->insertNodeAt(quint64(positionIn(pluginItems, where)),
                                                    quint64(pluginItems % 97 + 1)),
                             "insertNodeAt");
             }),
             whole([&] {
                 for (qint64 k = 0; k < perRound; ++k, ++rawItems) {
                     const qint64 at = positionIn(rawItems, where);
                     shift.bind(1, rawPlaylist).bind(2, at).run();
                     insertItem.bind(1, rawPlaylist).bind(2, rawItems % 97 + 1).bind(3, at).run();
                 }
             })});
        rounds.run(roundCount);
        reportPair(state, rounds, double(roundCount * perRound));
    }
    require(sides.plugin().rollbackTransaction(), "rollback");
    sides.db->exec("ROLLBACK");
    playlist->release();
    finish(state);
}

// Case 5: getMediaFile of an id whose object is live (the plugin alone: it runs no statement),
// and of ids that are not, against loading the same rows.
const qint64 kLookupFiles = 10000;
const int kLookupRounds = 10;
const qint64 kLookupsPerRound = 1000;

// The statements the plugin starts for look-ups, counted through SQLite's trace hook in a pass
// of their own after the timed one, so that the hook costs the timing nothing. idOf gives the
// id of the i-th look-up.
template <typename IdOf> double statementsPerLookup(M& library, qint64 lookups, IdOf idOf) {
    const orvtest::StatementCounter counter;
    for (qint64 i = 0; i < lookups; ++i) {
        M::MediaFileInterface* file = nullptr;
        require(library.getMediaFile(idOf(i), &file), "getMediaFile");
        file->release();
    }
    return double(counter.count()) / double(lookups);
}

void liveLookup(benchmark::State& state) {
    LibraryFolder folder;
    folder.installLibrary(filledLibraryTemplate(kLookupFiles));
    HostedLibrary library(folder);
    static const quint64 liveId = 42;
    M::MediaFileInterface* held = nullptr;
    require(library->getMediaFile(liveId, &held), "getMediaFile");
    require(library->beginTransaction(), "begin");
    for (auto _ : state) {
        M::MediaFileInterface* file = nullptr;
        require(library->getMediaFile(liveId, &file), "getMediaFile");
        file->release();
    }
    state.counters["statements_per_op"] =
        statementsPerLookup(library.get(), 1000, [](qint64) { return liveId; });
    require(library->rollbackTransaction(), "rollback");
    held->release();
    finish(state);
}

void coldLookup(benchmark::State& state) {
    Sides sides(filledLibraryTemplate(kLookupFiles));
    RawVideoLoader loader(*sides.db);
    qint64 pluginId = 0;
    qint64 rawId = 0;
    require(sides.plugin().beginTransaction(), "begin");
    sides.db->exec("BEGIN");
    for (auto _ : state) {
        Rounds rounds({whole([&] {
                           for (qint64 k = 0; k < kLookupsPerRound; ++k, ++pluginId) {
                               M::MediaFileInterface* file = nullptr;
                               require(sides.plugin().getMediaFile(
                                           quint64(pluginId % kLookupFiles + 1), &file),
                                       "getMediaFile");
                               file->release();
                           }
                       }),
                       whole([&] {
                           // Each row becomes an object of its own, handed over and dropped,
                           // as the plugin's are.
                           for (qint64 k = 0; k < kLookupsPerRound; ++k, ++rawId) {
                               auto row = std::make_unique<RawVideoRow>();
                               require(loader.load(rawId % kLookupFiles + 1, *row), "load");
                               benchmark::DoNotOptimize(row.get());
                           }
                       })});
        rounds.run(kLookupRounds);
        reportPair(state, rounds, double(kLookupRounds * kLookupsPerRound));
    }
    // Ids half the list away from the last ones looked up: none of them is live any more.
    const qint64 from = pluginId + kLookupFiles / 2;
    state.counters["statements_per_op"] = statementsPerLookup(
        sides.plugin(), 1000, [from](qint64 i) { return quint64((from + i) % kLookupFiles + 1); });
    require(sides.plugin().rollbackTransaction(), "rollback");
    sides.db->exec("ROLLBACK");
    finish(state);
}

// Case 6: saveRecentFile of a new entry with three title positions, at a list of 30 that the
// save trims back to 30.
const int kRecentMaximum = 30;
const qint64 kPositions[3][4] = {{1, 2, 3, 61000}, {2, 1, 1, 5000}, {3, 1, 2, 7000}};
const int kRecentRounds = 10;
const qint64 kSavesPerRound = 300;

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
    // A player's settings file was written long before: the store keeps what it read of a file
    // that had settled by then, and reads one changed only seconds ago anew every time.
    require(out.flush() && out.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                           QFileDevice::FileModificationTime),
            "settings file time");
}

void saveRecentThroughPlugin(M& library, const QUrl& url, const M::TitlePositionList& positions) {
    M::RecentFileInterface* recent = nullptr;
    require(library.newRecentFile(url, &recent), "newRecentFile");
    recent->setPositions(positions);
    require(recent->save(), "saveRecentFile");
    recent->release();
}

void saveRecent(benchmark::State& state) {
    const qint64 saves = kRecentMaximum + kRecentRounds * kSavesPerRound;
    const NewFiles files(saves);
    M::TitlePositionList positions;
    for (const auto& p : kPositions)
        positions.append(M::TitlePosition{p[0], p[1], p[2], p[3]});
    Sides sides(newLibraryTemplate(), writeRecentMaximum);
    RawRecentStore store(*sides.db, kRecentMaximum);
    qsizetype pluginNext = 0;
    qsizetype rawNext = 0;
    for (; pluginNext < kRecentMaximum; ++pluginNext, ++rawNext) {
        saveRecentThroughPlugin(sides.plugin(), files.urls.at(pluginNext), positions);
        store.add(files.uris.at(rawNext), kPositions, 3);
    }
    require(sides.plugin().beginTransaction(), "begin");
    sides.db->exec("BEGIN");
    for (auto _ : state) {
        Rounds rounds({whole([&] {
                           for (qint64 k = 0; k < kSavesPerRound; ++k)
                               saveRecentThroughPlugin(sides.plugin(), files.urls.at(pluginNext++),
                                                       positions);
                       }),
                       whole([&] {
                           for (qint64 k = 0; k < kSavesPerRound; ++k)
                               store.add(files.uris.at(rawNext++), kPositions, 3);
                       })});
        rounds.run(kRecentRounds);
        reportPair(state, rounds, double(kRecentRounds * kSavesPerRound));
    }
    require(sides.plugin().rollbackTransaction(), "rollback");
    sides.db->exec("ROLLBACK");
    finish(state);
}

// Case 7: a playlist of 100,000 items listed by position, each file loaded and released, by a
// plugin that has just started, against one walk over the items that loads each row. The same
// listing by a host that holds no transaction is in OutsideTransactionBench.cpp.
const qint64 kListedItems = 100000;
const char kItemsInOrder[] =
    "SELECT node_id FROM playlist_item WHERE playlist_id = (SELECT playlist_id FROM playlist "
    "WHERE playlist_type = 2) ORDER BY play_order";

void list(benchmark::State& state) {
    LibraryFolder pluginFolder;
    pluginFolder.installLibrary(filledLibraryTemplate(kListedItems));
    LibraryFolder rawFolder;
    rawFolder.installLibrary(filledLibraryTemplate(kListedItems));
    for (auto _ : state) {
        HostedLibrary library(pluginFolder);
        M::PlaylistInterface* playlist = nullptr;
        require(library->getPlaylistAt(2, 0, &playlist), "getPlaylistAt");
        RawLibrary db(rawFolder.libraryPath());
        RawStatement items(db.handle(), kItemsInOrder);
        RawVideoLoader loader(db);
        Rounds rounds({whole([&] {
                           require(library->beginTransaction(), "begin");
                           for (qint64 i = 0; i < kListedItems; ++i) {
                               M::MediaFileInterface* file = nullptr;
                               require(playlist->getMediaFileAt(quint64(i), &file),
                                       "getMediaFileAt");
                               file->release();
                           }
                           require(library->commitTransaction(), "commit");
                       }),
                       whole([&] {
                           db.exec("BEGIN");
                           qint64 listed = 0;
                           while (items.row()) {
                               auto row = std::make_unique<RawVideoRow>();
                               require(loader.load(items.integer(0), *row), "load");
                               benchmark::DoNotOptimize(row.get());
                               ++listed;
                           }
                           items.reset();
                           db.exec("COMMIT");
                           require(listed == kListedItems, "every item listed");
                       })});
        rounds.run(1);
        reportPair(state, rounds, double(kListedItems));
        playlist->release();
    }
    finish(state);
}

// Registration. The medians come from five repetitions, from nine where one operation costs
// only microseconds and a busy moment of the machine weighs most.

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case1/pair/10000", addVideos, 10000), 5);
    repeated(benchmark::RegisterBenchmark("case1/pair/100000", addVideos, 100000), 3);
    repeated(benchmark::RegisterBenchmark("case2/pair/100000", append), 5);
    repeated(benchmark::RegisterBenchmark("case3/pair/front", insert, Front, 6, 4), 5);
    repeated(benchmark::RegisterBenchmark("case3/pair/middle", insert, Middle, 6, 8), 5);
    repeated(benchmark::RegisterBenchmark("case3/pair/end", insert, End, 10, 100), 5);
    benchmark::RegisterBenchmark("case5/plugin/live", liveLookup)
        ->Iterations(200000)
        ->Repetitions(5)
        ->ReportAggregatesOnly()
        ->Unit(benchmark::kMicrosecond);
    repeated(benchmark::RegisterBenchmark("case5/pair/cold", coldLookup), 9);
    repeated(benchmark::RegisterBenchmark("case6/pair/30", saveRecent), 5);
    repeated(benchmark::RegisterBenchmark("case7/pair/100000", list), 9);
    return true;
}();

} // namespace
