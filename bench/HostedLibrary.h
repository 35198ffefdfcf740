#pragma once

// The plugin's side: a host that loads the plugin with dlopen and _getPlugin, as the player
// does (orvtest::HostedPlugin), on a data folder of its own below a temporary folder.

#include "HostedPlugin.h"
#include "MediaManagerInterface.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A folder that holds one library: the player's data below data/, the settings files below
// config/ and etc-xdg/. Removed with everything in it when the object goes.
class LibraryFolder {
public:
    LibraryFolder();
    QString dataHome() const { return dir.path() + QStringLiteral("/data"); }
    QString libraryPath() const;
    QString legacyFolder() const;
    // Points the plugin's path functions and settings store at this folder.
    void makeCurrent() const;
    // Puts a copy of a library file in place, as the library of this folder.
    void installLibrary(const QString& from) const;

private:
    QTemporaryDir dir;
};

class HostedLibrary {
public:
    typedef VireoStudio::MediaManagerInterface M;

    // Starts the plugin on the folder (which makes it current); aborts when it does not open.
    // The plugin goes with this object: the host must have released every row object before.
    explicit HostedLibrary(const LibraryFolder& folder);

    M* operator->() const { return library; }
    M& get() const { return *library; }

private:
    std::unique_ptr<orvtest::HostedPlugin> hosted;
    M* library = nullptr;
};

// The most memory this process has held resident so far, in KiB.
long peakResidentKiB();

// Fails the benchmark run loudly: a plugin call that did not do its work measures nothing.
[[noreturn]] void benchFailure(const char* what);
inline void require(bool ok, const char* what) {
    if (!ok)
        benchFailure(what);
}
