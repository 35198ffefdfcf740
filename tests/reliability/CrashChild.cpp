// The process the crash test kills: it starts the plugin on a data folder holding an older
// release's files, so that the start-up builds the library and imports them, and it dies at
// the k-th I/O call of the process (reads, writes, syncs, truncations and file deletions of
// every SQLite file). With k = 0 it runs to the end and reports what it counted, so that the
// test can aim at the calls around the commit.
//
//     reliability_crash_child DATA_HOME K
//
// Prints one line: "open=0|1 calls=N journal_delete=D library_write=W journal_write=J".

#include "FaultVfs.h"
#include "HostedPlugin.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_HOME K\n", argv[0]);
        return 2;
    }
    const QByteArray dataHome = argv[1];
    const unsigned long long k = std::strtoull(argv[2], nullptr, 10);
    qputenv("XDG_DATA_HOME", dataHome);
    qputenv("XDG_CONFIG_HOME", dataHome + "/config");
    qputenv("XDG_CONFIG_DIRS", dataHome + "/etc-xdg");

    using orvtest::FaultVfs;
    FaultVfs::install();
    FaultVfs::arm(k == 0 ? FaultVfs::CountOnly : FaultVfs::KillProcess, k, FaultVfs::AllCalls);
    bool open = false;
    {
        orvtest::HostedPlugin plugin;
        open = plugin.library() && plugin.library()->isOpen();
    }
    FaultVfs::disarm();
    std::printf("open=%d calls=%llu journal_delete=%llu library_write=%llu journal_write=%llu\n",
                open ? 1 : 0, static_cast<unsigned long long>(FaultVfs::calls()),
                static_cast<unsigned long long>(FaultVfs::lastDeleteOf("/Media Library-journal")),
                static_cast<unsigned long long>(FaultVfs::firstWriteTo("/Media Library")),
                static_cast<unsigned long long>(FaultVfs::firstWriteTo("/Media Library-journal")));
    return open ? 0 : 1;
}
