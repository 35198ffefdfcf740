#include "LibraryBatches.h"

LibraryBatches::LibraryBatches(VireoStudio::MediaManagerInterface* library, int batchSize,
                               std::function<void(qint64)> committed)
    : library(library), batchSize(batchSize > 0 ? batchSize : 1), committed(std::move(committed)) {}

bool LibraryBatches::begin() {
    if (batch)
        return true;
    batch = std::make_unique<HostTransaction>(library);
    inBatch = 0;
    return batch->isOpen();
}

bool LibraryBatches::stored() {
    ++inBatch;
    return inBatch < batchSize || finish();
}

bool LibraryBatches::finish() {
    if (!batch)
        return true;
    const bool ok = batch->commit();
    batch.reset();
    if (ok) {
        total += inBatch;
        if (committed && inBatch > 0)
            committed(total);
    } else {
        lostFiles += inBatch;
    }
    inBatch = 0;
    return ok;
}

void LibraryBatches::abandon() {
    if (batch)
        batch->rollback();
    batch.reset();
    lostFiles += inBatch;
    inBatch = 0;
}
