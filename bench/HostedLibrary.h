#pragma once

// The plugin's side: a host that loads the plugin with dlopen and _getPlugin, as the player
// does, on a data folder of its own below a temporary folder.

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"

#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

class BenchHost : public PluginHost {
public:
    int getHostVersion() override { return 1; }
    const char* getHostName() override { return "bench host"; }
    int loadPlugin(const char*) override { return 0; }
    int unloadPlugin(const char*) override { return 0; }
    int getPluginCount() override { return 0; }
    Tarn::Plugin* getPluginAt(int) override { return nullptr; }
    int pluginRetained(Tarn::Plugin*) override { return 0; }
    void pluginReleasing(Tarn::Plugin*) override {}
    void pluginReleased(Tarn::Plugin*) override {}
};

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
    explicit HostedLibrary(const LibraryFolder& folder);
    // Releases the plugin: the host must have released every row object before.
    ~HostedLibrary();
    HostedLibrary(const HostedLibrary&) = delete;
    HostedLibrary& operator=(const HostedLibrary&) = delete;

    M* operator->() const { return library; }
    M& get() const { return *library; }
    // The plugin's own connection, for counting the statements it runs.
    static sqlite3* connection();

private:
    BenchHost host;
    Tarn::Plugin* plugin = nullptr;
    M* library = nullptr;
};

// Counts the statements a connection starts (trigger programs not included) while it lives.
class StatementCounter {
public:
    explicit StatementCounter(sqlite3* db);
    ~StatementCounter();
    StatementCounter(const StatementCounter&) = delete;
    StatementCounter& operator=(const StatementCounter&) = delete;
    quint64 count() const { return started; }

private:
    static int traced(unsigned type, void* self, void* statement, void* text);
    sqlite3* db;
    quint64 started = 0;
};

// The most memory this process has held resident so far, in KiB.
long peakResidentKiB();

// Fails the benchmark run loudly: a plugin call that did not do its work measures nothing.
[[noreturn]] void benchFailure(const char* what);
inline void require(bool ok, const char* what) {
    if (!ok)
        benchFailure(what);
}
