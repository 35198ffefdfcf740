#pragma once

// What a row object and the library's operations reach of the plugin that owns them: the
// media-library interface (a row stores and deletes itself through it, as a host would), the
// library's record, and the settling of a rollback. The frame every library operation begins
// with is built on it.

#include "MediaManagerInterface.h"
#include "rows/LibraryContext.h"

#include <QMutexLocker>

namespace VireoStudio {

class RowOwner {
public:
    virtual MediaManagerInterface& library() = 0;
    virtual LibraryContext& context() = 0;
    // After a rollback (the host's, an operation's own, or one SQLite made by itself): rows
    // stored inside the undone transaction go back to being new and leave the live maps, and
    // what was read of playlists is read again. Does nothing when nothing rolled back.
    virtual void settleRollback() = 0;

protected:
    ~RowOwner() = default;
};

// The frame every library operation begins with: the library's recursive lock for the rest of
// the operation, then the open check, so that a library closed on another thread meanwhile is
// seen as closed. A rollback that SQLite made by itself since the last operation is settled
// before the operation reads anything.
//
//     const OperationFrame frame(owner);
//     if (!frame)
//         return false;
class OperationFrame {
public:
    explicit OperationFrame(RowOwner& owner) : lock(&owner.context().mutex()) {
        LibraryContext& context = owner.context();
        open = context.isOpen();
        if (open && context.rolledBackSinceSettled())
            owner.settleRollback();
    }
    explicit operator bool() const { return open; }

private:
    QMutexLocker<LibraryMutex> lock;
    bool open = false;
};

} // namespace VireoStudio
