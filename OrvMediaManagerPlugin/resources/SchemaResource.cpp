#include "SchemaResource.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE and Q_CLEANUP_RESOURCE must be used at global namespace scope.
static void initSchemaBundle() {
    Q_INIT_RESOURCE(schema);
}
static void cleanupSchemaBundle() {
    Q_CLEANUP_RESOURCE(schema);
}

namespace VireoStudio {

void registerSchemaResource() {
    initSchemaBundle();
}

void unregisterSchemaResource() {
    cleanupSchemaBundle();
}

} // namespace VireoStudio
