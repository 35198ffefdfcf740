#include "OrvMediaManagerPlugin.h"

#include "database/LibraryContext.h"
#include "database/LibraryStartup.h"
#include "resources/SchemaResource.h"
#include "settings/PluginSettings.h"

#include <cstring>

namespace VireoStudio {

const char OrvMediaManagerPlugin::kMediaManagerInterfaceId[] =
    "com.vireo.studio.pluginInterface.MediaManager";

OrvMediaManagerPlugin::OrvMediaManagerPlugin(PluginHost* host)
    : Tarn::Plugin(host), context(new LibraryContext) {
    ensureSettings();
    registerSchemaResource();
    context->database.setConnectOptions(QLatin1String(LibraryContext::kConnectOptions));
    // A library that cannot be opened still yields a plugin; it then reports isOpen false.
    open(QString());
}

OrvMediaManagerPlugin::~OrvMediaManagerPlugin() {
    close();
    delete context;
    context = nullptr;
    releaseSettings();
}

int OrvMediaManagerPlugin::queryInterface(const PluginString& id, void** out) {
    if (out)
        *out = nullptr;
    const PluginString served(kMediaManagerInterfaceId);
    if (std::strcmp(id.c_str(), served.c_str()) != 0)
        return Tarn::ResultNotSupported;
    if (out)
        *out = static_cast<MediaManagerInterface*>(this);
    return Tarn::ResultOk;
}

bool OrvMediaManagerPlugin::open(const QString& path) {
    return LibraryStartup(*this, *context).open(path);
}

bool OrvMediaManagerPlugin::close() {
    return context->close();
}

bool OrvMediaManagerPlugin::isOpen() {
    return context->isOpen();
}

bool OrvMediaManagerPlugin::beginTransaction() {
    return context->beginTransaction();
}

bool OrvMediaManagerPlugin::rollbackTransaction() {
    const bool rolledBack = context->rollbackTransaction();
    settleRollback();
    return rolledBack;
}

bool OrvMediaManagerPlugin::commitTransaction() {
    if (context->commitTransaction())
        return true;
    // A commit that fails may have rolled the transaction back.
    settleRollback();
    return false;
}

} // namespace VireoStudio
