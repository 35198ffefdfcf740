#pragma once

// One host transaction of the media library for the life of the object: begun when it is made,
// committed when it goes. Reads inside it see one state of the library and take the file's
// lock once instead of once per statement; writes inside it reach the file together or not at
// all.

#include "MediaManagerInterface.h"

class HostTransaction {
public:
    explicit HostTransaction(VireoStudio::MediaManagerInterface* library)
        : library(library), open(library && library->beginTransaction()) {}
    ~HostTransaction() { commit(); }
    HostTransaction(const HostTransaction&) = delete;
    HostTransaction& operator=(const HostTransaction&) = delete;

    // Whether the transaction was begun.
    bool isOpen() const { return open; }
    // Commits now; on failure rolls the whole transaction back. False when nothing was
    // committed.
    bool commit() {
        if (!open)
            return false;
        open = false;
        if (library->commitTransaction())
            return true;
        library->rollbackTransaction();
        return false;
    }
    // Undoes everything written inside the transaction.
    void rollback() {
        if (open)
            library->rollbackTransaction();
        open = false;
    }

private:
    VireoStudio::MediaManagerInterface* library;
    bool open;
};
