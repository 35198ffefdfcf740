#pragma once

// The frame every library operation begins with: the library's recursive lock for the rest of
// the operation, then the open check, so that a library closed on another thread meanwhile
// is seen as closed. A rollback that SQLite made by itself since the last operation is settled
// before the operation reads anything.
//
//     const OperationFrame frame(*this);
//     if (!frame)
//         return false;

#include "database/LibraryContext.h"
#include "plugin/OrvMediaManagerPlugin.h"

#include <QMutexLocker>

namespace VireoStudio {

class OperationFrame {
public:
    explicit OperationFrame(OrvMediaManagerPlugin& plugin) : lock(&plugin.context->mutex) {
        open = plugin.isOpen();
        if (open && plugin.context->rolledBackSinceSettled())
            plugin.settleRollback();
    }
    explicit operator bool() const { return open; }

private:
    QMutexLocker<LibraryMutex> lock;
    bool open = false;
};

} // namespace VireoStudio
