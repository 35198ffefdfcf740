#include "PluginSettings.h"

#include "OSUtilities.h"
#include "VireoSettings.h"

#include <mutex>

namespace VireoStudio {

const char kPlaybackGroup[] = "Playback";
const char kRecentFileMaximumKey[] = "RecentFileMaximum";

namespace {

const char kNodePrefix[] = "Settings/";

// The plugin's node, shared by every plugin object of the process.
vds::IVireoSettings* settings = nullptr;

// Plugin objects of one process may read from several threads, and a node is not safe to share
// between threads on its own: every use of the shared node goes through this lock. It is
// constant-initialised, so it outlives the release at library unload.
std::mutex settingsMutex;

bool ensureSettingsLocked() {
    if (settings)
        return true;
    // Mode 8: the per-user key is created when missing; the machine-wide one is read when
    // present.
    const QByteArray path = QByteArray(kNodePrefix) + OSUtilities::getComponentIdUTF8();
    vds::IVireoSettings* node = nullptr;
    if (!vds::openSettings(path.constData(), vds::CREATE_USER_OPEN_MACHINE, nullptr, &node))
        return false;
    settings = node;
    return true;
}

} // namespace

bool ensureSettings() {
    const std::lock_guard<std::mutex> locker(settingsMutex);
    return ensureSettingsLocked();
}

int readIntSetting(const char* group, const char* key, int defaultValue) {
    const std::lock_guard<std::mutex> locker(settingsMutex);
    if (!ensureSettingsLocked())
        return defaultValue;
    vds::IVireoSettings* child = nullptr;
    if (!settings->getChild(group, &child))
        return defaultValue;
    qint32 value = defaultValue;
    child->getInt(key, value);
    child->release();
    return value;
}

void releaseSettings() {
    const std::lock_guard<std::mutex> locker(settingsMutex);
    if (!settings)
        return;
    settings->release();
    settings = nullptr;
}

} // namespace VireoStudio
