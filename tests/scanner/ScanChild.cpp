// A scan the scanner's tests kill half-way: scans a folder into the library of $XDG_DATA_HOME in
// batches of 20, says "committed N" after each commit, and in the third batch, after its fifth
// file is stored, says "mid-batch" and waits to be killed.
//
//     scanner_crash_child FOLDER

#include "HeldRow.h"
#include "PluginSession.h"
#include "Scan.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    PluginSession session;
    QString error;
    if (!session.load(QString(), &error) || !session.library()->isOpen()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    ScanOptions options;
    options.batchSize = 20;
    Scan scan(session.library(), options);
    int committedBatches = 0;
    int storedInThird = 0;
    scan.committed = [&committedBatches](qint64 stored) {
        ++committedBatches;
        std::printf("committed %lld\n", stored);
        std::fflush(stdout);
    };
    scan.report = [&](const FileReport& report) {
        if (report.outcome != Outcome::Added || committedBatches != 2 || ++storedInThird != 5)
            return;
        std::printf("mid-batch\n");
        std::fflush(stdout);
        for (;;)
            pause();
    };
    return scan.run({QByteArray(argv[1])}, &error) ? 0 : 1;
}
