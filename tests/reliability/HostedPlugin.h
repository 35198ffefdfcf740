#pragma once

// The plugin created as a host creates it, for programs that are not test cases: the crash
// child and the fuzz targets. The plugin library is loaded with dlopen once per process; the
// plugin works on the folders the environment names ($XDG_DATA_HOME, $XDG_CONFIG_HOME).

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"

namespace orvtest {

class HostedPlugin : public PluginHost {
public:
    // Creates the plugin; library() is null when the plugin library cannot be loaded.
    HostedPlugin();
    // Releases the plugin: it closes its library file.
    ~HostedPlugin() override;
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    VireoStudio::MediaManagerInterface* library() const { return media; }

    int getHostVersion() override { return 1; }
    const char* getHostName() override { return "reliability host"; }
    int loadPlugin(const char*) override { return 0; }
    int unloadPlugin(const char*) override { return 0; }
    int getPluginCount() override { return 0; }
    Tarn::Plugin* getPluginAt(int) override { return nullptr; }
    int pluginRetained(Tarn::Plugin*) override { return 0; }
    void pluginReleasing(Tarn::Plugin*) override {}
    void pluginReleased(Tarn::Plugin*) override {}

private:
    Tarn::Plugin* plugin = nullptr;
    VireoStudio::MediaManagerInterface* media = nullptr;
};

} // namespace orvtest
