#pragma once

// A host's side of the plugin contract: finds the plugin library and loads it with dlopen,
// creates the plugin through its entry function, asks it for the media-library interface, and
// releases everything in order when the session ends.

#include "MediaManagerInterface.h"
#include "TarnPlugin.h"

#include <QString>

class PluginSession : public PluginHost {
public:
    // What happens to the messages the plugin publishes on the hub: printed to stderr, one line
    // each (a terminal program), or left to the host's own subscribers (a window).
    enum Messages { PrintMessages, KeepMessages };

    explicit PluginSession(const char* hostName = "orvmedia", Messages messages = PrintMessages);
    ~PluginSession() override;
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Loads the plugin at path (when empty, the one findPlugin finds). On failure error holds
    // one line that says why.
    bool load(const QString& path, QString* error);
    VireoStudio::MediaManagerInterface* library() const { return library_; }
    QString pluginPath() const { return path_; }
    // The library file the plugin opens: "Media Library" in the player's data folder.
    static QString libraryFile();
    // The library file the plugin would open in folder.
    static QString libraryFileIn(const QString& folder);

    // PluginHost
    int getHostVersion() override { return 1; }
    const char* getHostName() override { return hostName_; }
    int loadPlugin(const char*) override { return Tarn::ResultNotSupported; }
    int unloadPlugin(const char*) override { return Tarn::ResultNotSupported; }
    int getPluginCount() override { return plugin_ ? 1 : 0; }
    Tarn::Plugin* getPluginAt(int index) override { return index == 0 ? plugin_ : nullptr; }
    int pluginRetained(Tarn::Plugin*) override { return 0; }
    void pluginReleasing(Tarn::Plugin* plugin) override;
    void pluginReleased(Tarn::Plugin* plugin) override;

    // The plugin's file: the one ORV_PLUGIN_PATH names, else the one beside this program (a
    // build tree), else the one in the installed plugin folder relative to this program. Empty,
    // with one line in error that says where it looked, when there is none.
    static QString findPlugin(QString* error);

private:
    void unload();

    const char* hostName_;
    Messages messages_;
    void* handle_ = nullptr;
    Tarn::Plugin* plugin_ = nullptr;
    VireoStudio::MediaManagerInterface* library_ = nullptr;
    QString path_;
    int subscription_ = 0;
};
