#include "HostedPlugin.h"

#include <dlfcn.h>

namespace orvtest {

namespace {

GetPluginFunction entry() {
    static void* handle = dlopen(ORV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<GetPluginFunction>(dlsym(handle, "_getPlugin")) : nullptr;
}

} // namespace

HostedPlugin::HostedPlugin() {
    const GetPluginFunction getPlugin = entry();
    if (!getPlugin || getPlugin(this, &plugin) != 0 || !plugin)
        return;
    void* found = nullptr;
    if (plugin->queryInterface(PluginString("com.vireo.studio.pluginInterface.MediaManager"),
                               &found) == Tarn::ResultOk)
        media = static_cast<VireoStudio::MediaManagerInterface*>(found);
}

HostedPlugin::~HostedPlugin() {
    if (plugin)
        plugin->release();
}

} // namespace orvtest
