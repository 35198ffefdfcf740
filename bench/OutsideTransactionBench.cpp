// Library operations by a host that holds no transaction, as the command-line host and the
// player mostly are: every read is then a lock cycle of its own on the library file, on both
// sides. The plugin through its host interface beside a baseline that runs one statement per
// operation with the sqlite3 C API, also outside any transaction, on a copy of the same library
// file. Both sides run in alternating rounds within each repetition (Paired.h).

#include "HostedLibrary.h"
#include "LibraryTemplates.h"
#include "Paired.h"
#include "RawLibraryWork.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

typedef VireoStudio::MediaManagerInterface M;

// Case 7 outside a transaction: a playlist of 100,000 items listed by position, each file
// loaded and released, by a plugin that has just started, against a program that reads each
// item with its file's columns in one statement, found by its play order through the
// (playlist_id, play_order) index. The template numbers the items' play orders 0..n-1.
const qint64 kListedItems = 100000;
const char kVideosPlaylist[] = "SELECT playlist_id FROM playlist WHERE playlist_type = 2";

void listOutsideTransaction(benchmark::State& state) {
    LibraryFolder pluginFolder;
    pluginFolder.installLibrary(filledLibraryTemplate(kListedItems));
    LibraryFolder rawFolder;
    rawFolder.installLibrary(filledLibraryTemplate(kListedItems));
    for (auto _ : state) {
        HostedLibrary library(pluginFolder);
        M::PlaylistInterface* playlist = nullptr;
        require(library->getPlaylistAt(2, 0, &playlist), "getPlaylistAt");
        RawLibrary db(rawFolder.libraryPath());
        RawStatement videos(db.handle(), kVideosPlaylist);
        require(videos.row(), "built-in playlist");
        const qint64 playlistId = videos.integer(0);
        videos.reset();
        RawItemLoader loader(db);
        require(sqlite3_get_autocommit(db.handle()) != 0, "no transaction on the raw side");
        Rounds rounds({whole([&] {
                           for (qint64 i = 0; i < kListedItems; ++i) {
                               M::MediaFileInterface* file = nullptr;
                               require(playlist->getMediaFileAt(quint64(i), &file),
                                       "getMediaFileAt");
                               file->release();
                           }
                       }),
                       whole([&] {
                           // Each row becomes an object of its own, handed over and dropped,
                           // as the plugin's are.
                           for (qint64 i = 0; i < kListedItems; ++i) {
                               auto row = std::make_unique<RawVideoRow>();
                               require(loader.load(playlistId, i, *row), "load");
                               benchmark::DoNotOptimize(row.get());
                           }
                       })});
        rounds.run(1);
        reportPair(state, rounds, double(kListedItems));
        playlist->release();
    }
    state.counters["peak_rss_kib"] = double(peakResidentKiB());
}

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case7/outside/100000", listOutsideTransaction), 5);
    return true;
}();

} // namespace
