#include "PluginSettings.h"

namespace VireoStudio {

const char kPlaybackGroup[] = "Playback";
const char kRecentFileMaximumKey[] = "RecentFileMaximum";

// The settings store is not wired in yet: every read falls back to its default.
bool ensureSettings() {
    return false;
}

int readIntSetting(const char* group, const char* key, int defaultValue) {
    (void)group;
    (void)key;
    if (!ensureSettings())
        return defaultValue;
    return defaultValue;
}

void releaseSettings() {}

} // namespace VireoStudio
