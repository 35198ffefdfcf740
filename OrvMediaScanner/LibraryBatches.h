#pragma once

// The writer's transactions: stores go to the library inside host transactions of a few hundred
// files each, so that a crash or a kill loses at most the batch in flight and never leaves half
// a file stored, while the file is synced once per batch instead of once per file.

#include "HostTransaction.h"
#include "MediaManagerInterface.h"

#include <functional>
#include <memory>

class LibraryBatches {
public:
    // committed is told the number of files stored in the library so far, after each commit.
    LibraryBatches(VireoStudio::MediaManagerInterface* library, int batchSize,
                   std::function<void(qint64)> committed = {});

    // Notes one file stored in the open batch, beginning it first when none is open; commits
    // when the batch is full. False when the library failed to commit (the batch is lost).
    bool begin();
    bool stored();
    // Commits what is left. False when the library failed to commit.
    bool finish();
    // Drops the batch in flight, when a store inside it failed.
    void abandon();
    // Files noted as stored that the library did not keep: their batch failed or was dropped.
    qint64 lost() const { return lostFiles; }

private:
    VireoStudio::MediaManagerInterface* library;
    const int batchSize;
    const std::function<void(qint64)> committed;
    std::unique_ptr<HostTransaction> batch;
    int inBatch = 0;
    qint64 total = 0;
    qint64 lostFiles = 0;
};
