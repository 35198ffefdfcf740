// The library's one exported entry and what it does when it is loaded and unloaded.

#include "OrvMediaManagerPlugin.h"
#include "resources/SchemaResource.h"
#include "settings/PluginSettings.h"

#include <new>

namespace {

// Built when the library is loaded, destroyed when it is unloaded.
struct LibraryLifetime {
    LibraryLifetime()
        : served(VireoStudio::OrvMediaManagerPlugin::kMediaManagerInterfaceId),
          downloadManager("com.vireo.studio.pluginInterface.DownloadManager"),
          playerPlugin("com.vireo.studio.plugin.OrvPlayerPlugin") {
        VireoStudio::registerSchemaResource();
    }
    ~LibraryLifetime() {
        VireoStudio::unregisterSchemaResource();
        VireoStudio::releaseSettings();
    }

    PluginString served;
    // Identifiers of the same family that this library knows but does not serve.
    PluginString downloadManager;
    PluginString playerPlugin;
};

const LibraryLifetime lifetime;

} // namespace

extern "C" __attribute__((visibility("default"))) int _getPlugin(PluginHost* host,
                                                                 Tarn::Plugin** out) {
    auto* plugin = new (std::nothrow) VireoStudio::OrvMediaManagerPlugin(host);
    if (out)
        *out = plugin;
    return 0;
}
