#include "PluginSession.h"

#include "InstalledFile.h"
#include "OSUtilities.h"
#include "PubSubHub.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <dlfcn.h>

namespace {
const char kPluginFile[] = "libOrvMediaManagerPlugin.so";
const char kEntryName[] = "_getPlugin";
const char kInterfaceId[] = "com.vireo.studio.pluginInterface.MediaManager";
const char kLibraryFile[] = "/Media Library";

// Published messages go to stderr, one line each: the name and the payload as text.
void printMessage(const QString& name, const QVariant& payload) {
    const QByteArray line = (name + QLatin1Char(' ') + payload.toString()).toUtf8();
    std::fprintf(stderr, "%s\n", line.constData());
}
} // namespace

PluginSession::PluginSession(const char* hostName, Messages messages)
    : hostName_(hostName), messages_(messages) {}

PluginSession::~PluginSession() {
    unload();
}

QString PluginSession::findPlugin(QString* error) {
    const QByteArray fromEnvironment = qgetenv("ORV_PLUGIN_PATH");
    if (!fromEnvironment.isEmpty()) {
        const QString named = QString::fromLocal8Bit(fromEnvironment);
        if (QFileInfo::exists(named))
            return named;
        *error = QStringLiteral("ORV_PLUGIN_PATH names %1, which does not exist").arg(named);
        return QString();
    }
    const QString name = QLatin1String(kPluginFile);
    const InstalledFile file = InstalledFile::find(name, QLatin1String(ORV_PLUGINDIR_FROM_BINDIR));
    if (!file.path.isEmpty())
        return file.path;
    *error = QStringLiteral("no plugin: %1 (ORV_PLUGIN_PATH may name it)").arg(file.notFound(name));
    return QString();
}

QString PluginSession::libraryFile() {
    return libraryFileIn(VireoStudio::OSUtilities::getApplicationDataPath(false));
}

QString PluginSession::libraryFileIn(const QString& folder) {
    return folder + QLatin1String(kLibraryFile);
}

bool PluginSession::load(const QString& path, QString* error) {
    path_ = path.isEmpty() ? findPlugin(error) : path;
    if (path_.isEmpty())
        return false;
    handle_ = dlopen(QFile::encodeName(path_).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        *error =
            QStringLiteral("cannot load the plugin: %1").arg(QString::fromLocal8Bit(dlerror()));
        return false;
    }
    auto entry = reinterpret_cast<GetPluginFunction>(dlsym(handle_, kEntryName));
    if (!entry) {
        *error = QStringLiteral("%1 has no %2").arg(path_, QLatin1String(kEntryName));
        return false;
    }
    if (messages_ == PrintMessages)
        subscription_ = VireoStudio::PubSubHub::subscribe(printMessage);
    Tarn::Plugin* plugin = nullptr;
    entry(this, &plugin);
    if (!plugin) {
        *error = QStringLiteral("the plugin could not be created");
        return false;
    }
    plugin_ = plugin;
    void* found = nullptr;
    if (plugin_->queryInterface(PluginString(kInterfaceId), &found) != Tarn::ResultOk || !found) {
        *error = QStringLiteral("the plugin does not serve %1").arg(QLatin1String(kInterfaceId));
        return false;
    }
    library_ = static_cast<VireoStudio::MediaManagerInterface*>(found);
    return true;
}

void PluginSession::pluginReleasing(Tarn::Plugin* plugin) {
    if (plugin == plugin_)
        library_ = nullptr;
}

void PluginSession::pluginReleased(Tarn::Plugin* plugin) {
    if (plugin == plugin_)
        plugin_ = nullptr;
}

void PluginSession::unload() {
    // Row objects are released by the commands; the plugin goes next, the library last.
    if (plugin_)
        plugin_->release();
    if (subscription_)
        VireoStudio::PubSubHub::unsubscribe(subscription_);
    subscription_ = 0;
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
}
