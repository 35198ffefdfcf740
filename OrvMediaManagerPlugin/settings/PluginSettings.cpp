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

QByteArray nodePath() {
    return QByteArray(kNodePrefix) + OSUtilities::getComponentIdUTF8();
}

bool ensureSettingsLocked() {
    if (settings)
        return true;
    // Mode 8: the per-user key is created when missing; the machine-wide one is read when
    // present.
    vds::IVireoSettings* node = nullptr;
    if (!vds::openSettings(nodePath().constData(), vds::CREATE_USER_OPEN_MACHINE, nullptr, &node))
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
    qint32 value = defaultValue;
    vds::IVireoSettings* child = nullptr;
    if (ensureSettingsLocked() && settings->getChild(group, &child)) {
        child->getInt(key, value);
        child->release();
        return value;
    }
    // The node or its group needs the per-user key, which cannot be had while the per-user file
    // is damaged or cannot be written. Its values then read as missing, and the machine-wide
    // value still applies: read both hives without creating anything.
    const QByteArray path = nodePath() + '/' + group;
    vds::IVireoSettings* readOnly = nullptr;
    if (vds::openSettings(path.constData(), vds::OPEN_USER_AND_MACHINE_READ, nullptr, &readOnly)) {
        readOnly->getInt(key, value);
        readOnly->release();
    }
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
