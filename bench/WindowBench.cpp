// The library window at library scale (case 11): a user playlist of 100,000 items opened until
// its first screen is painted, beside the same for a playlist of 100 items. Each round starts a
// new window (a plugin of its own, its caches cold) on a copy of the library, showing "All
// files"; the clock runs from choosing the playlist to the end of the window's next paint, on
// the offscreen platform.

#include "HostedLibrary.h"
#include "LibraryTemplates.h"
#include "LibraryWindow.h"
#include "Paired.h"
#include "PlaylistModel.h"
#include "PlaylistSidebar.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

const qint64 kLargeItems = 100000;
const qint64 kSmallItems = 100;
const int kRounds = 5;

// The seconds from choosing the bench list in a new window on folder to its painted screen.
double openList(const LibraryFolder& folder, qint64 items) {
    folder.makeCurrent();
    LibraryWindow window;
    QString error;
    require(window.open(&error), "the window opened");
    window.resize(1280, 760);
    window.show();
    QApplication::processEvents();
    window.repaint();
    const quint64 id = window.sidebar()->idNamed(QLatin1String(kBenchListName));
    const double seconds = timed([&] {
        require(window.showPlaylist(id), "the bench list shown");
        window.repaint();
    });
    require(window.model()->rowCount() == items, "every item counted");
    return seconds;
}

void openPlaylist(benchmark::State& state) {
    LibraryFolder large;
    LibraryFolder small;
    large.installLibrary(filledLibraryTemplate(kLargeItems, kLargeItems));
    small.installLibrary(filledLibraryTemplate(kSmallItems, kSmallItems));
    for (auto _ : state) {
        Rounds rounds({[&] { return openList(large, kLargeItems); },
                       [&] { return openList(small, kSmallItems); }});
        rounds.run(kRounds);
        reportPair(state, rounds, kRounds);
    }
}

const bool registered = [] {
    repeated(benchmark::RegisterBenchmark("case11/pair/100000", openPlaylist), 5);
    return true;
}();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
