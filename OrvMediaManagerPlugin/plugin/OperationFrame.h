#pragma once

// The frame every library operation begins with: the open check through the interface, then
// the library's recursive lock for the rest of the operation.
//
//     const OperationFrame frame(*this);
//     if (!frame)
//         return false;

#include "database/LibraryContext.h"
#include "plugin/OrvMediaManagerPlugin.h"

#include <QMutexLocker>

#include <optional>

namespace VireoStudio {

class OperationFrame {
public:
    explicit OperationFrame(OrvMediaManagerPlugin& plugin) : open(plugin.isOpen()) {
        if (open)
            lock.emplace(&plugin.context->mutex);
    }
    explicit operator bool() const { return open; }

private:
    bool open;
    std::optional<QMutexLocker<LibraryMutex>> lock;
};

} // namespace VireoStudio
