// Recovery of downloads that a stopped player left unfinished.

#include "plugin/OrvMediaManagerPlugin.h"

namespace VireoStudio {

bool OrvMediaManagerPlugin::resetInterruptedDownloads() {
    if (!isOpen())
        return false;
    return false; // not available yet
}

} // namespace VireoStudio
