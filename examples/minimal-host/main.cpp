// A minimal host of the media-library plugin: it loads the installed plugin as the player does,
// prints every playlist with its number of items, and releases everything in order.
//
//   minimal-host     the library below $XDG_DATA_HOME (~/.local/share when it is not set)
//
// ORV_PLUGIN_PATH, when set, names the plugin's file instead of the installed one.

#include "MediaManagerInterface.h"
#include "OSUtilities.h"
#include "TarnPlugin.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

using Library = VireoStudio::MediaManagerInterface;

// The host object the plugin is created with. The plugin calls it only when it goes.
class Host : public PluginHost {
public:
    int getHostVersion() override { return 1; }
    const char* getHostName() override { return "minimal-host"; }
    int loadPlugin(const char*) override { return Tarn::ResultNotSupported; }
    int unloadPlugin(const char*) override { return Tarn::ResultNotSupported; }
    int getPluginCount() override { return 0; }
    Tarn::Plugin* getPluginAt(int) override { return nullptr; }
    int pluginRetained(Tarn::Plugin*) override { return 0; }
    void pluginReleasing(Tarn::Plugin*) override {}
    void pluginReleased(Tarn::Plugin*) override { released = true; }

    bool released = false;
};

int fail(const char* what) {
    std::fprintf(stderr, "minimal-host: %s\n", what);
    return 1;
}

// Prints one line per playlist of a type: id, type, item count and name. Every playlist the
// library hands out carries one reference for us, released when it is printed.
void printPlaylists(Library* library, int type) {
    const qint64 count = library->getPlaylistCount(type);
    for (qint64 i = 0; i < count; ++i) {
        Library::PlaylistInterface* playlist = nullptr;
        if (!library->getPlaylistAt(type, quint64(i), &playlist))
            continue;
        const QString name = playlist->isNameNull() ? QStringLiteral("-") : playlist->getName();
        std::printf("%llu %d %lld %s\n", static_cast<unsigned long long>(playlist->getId()),
                    playlist->getPlaylistType(), static_cast<long long>(playlist->getItemCount()),
                    name.toUtf8().constData());
        playlist->release();
    }
}

} // namespace

int main() {
    const char* path = std::getenv("ORV_PLUGIN_PATH");
    if (!path || !*path)
        path = MINIMAL_HOST_PLUGIN;
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return fail(dlerror());
    auto getPlugin = reinterpret_cast<GetPluginFunction>(dlsym(handle, "_getPlugin"));
    Host host;
    Tarn::Plugin* plugin = nullptr;
    if (getPlugin)
        getPlugin(&host, &plugin);
    if (!plugin) {
        dlclose(handle);
        return fail("the plugin could not be created");
    }

    // The interface belongs to the plugin object and lives as long as it does.
    void* found = nullptr;
    plugin->queryInterface(PluginString("com.vireo.studio.pluginInterface.MediaManager"), &found);
    auto* library = static_cast<Library*>(found);
    int exitCode = 0;
    if (!library || !library->isOpen()) {
        exitCode = fail("the library cannot be opened");
    } else {
        // The host library knows where the player keeps its data.
        const QString folder = VireoStudio::OSUtilities::getApplicationDataPath(false);
        std::printf("library folder: %s\n", folder.toUtf8().constData());
        std::printf("ID TYPE ITEMS NAME\n");
        // The built-in playlists, then the user playlists.
        const int types[] = {1,
                             2,
                             3,
                             4,
                             Library::PLAYLIST_TYPE_QUEUE,
                             Library::PLAYLIST_TYPE_ACQUIRED,
                             Library::PLAYLIST_TYPE_USER};
        for (int type : types)
            printPlaylists(library, type);
    }

    // Every row is released already; the plugin goes next, the library file last.
    plugin->release();
    dlclose(handle);
    if (!host.released)
        return fail("the plugin did not report its release");
    return exitCode;
}
