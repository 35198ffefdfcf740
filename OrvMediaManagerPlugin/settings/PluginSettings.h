#pragma once

// The plugin's use of the player's settings: one process-wide node, "Settings/" followed by the
// host's component id, from which integers such as the recent-file maximum are read.

namespace VireoStudio {

extern const char kPlaybackGroup[];
extern const char kRecentFileMaximumKey[];
const int kRecentFileMaximumDefault = 30;

// Makes sure the process-wide settings node exists; false while the store is unavailable.
bool ensureSettings();
// Reads an integer of a group of the plugin's node; the default on any failure.
int readIntSetting(const char* group, const char* key, int defaultValue);
// Releases the process-wide node; the next ensureSettings opens it anew.
void releaseSettings();

} // namespace VireoStudio
