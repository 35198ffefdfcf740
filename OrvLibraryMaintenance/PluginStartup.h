#pragma once

// The plugin's own start-up, run on a data folder of the caller's choosing: the plugin is loaded
// as the player loads it, makes a new library below that folder (or opens the one there, adding
// what every start-up adds), and is released again.

#include "MediaManagerInterface.h"

#include <QString>

#include <functional>

namespace LibraryMaintenance {

// Starts and releases the plugin at pluginPath (the one beside this program when empty) with
// dataHome as the data folder; in between, work (when given) runs on the open library. The
// process environment names dataHome as the data folder ($XDG_DATA_HOME) only while the plugin
// starts and stops. library gets the file the plugin keeps the library in; true when the plugin
// reported it open and work succeeded.
typedef std::function<bool(VireoStudio::MediaManagerInterface*)> LibraryWork;
bool startPluginIn(const QString& dataHome, const QString& pluginPath, QString* library,
                   QString* error, const LibraryWork& work = LibraryWork());

} // namespace LibraryMaintenance
