#include "HostedLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <dlfcn.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char kInterfaceId[] = "com.vireo.studio.pluginInterface.MediaManager";
const char kPluginConnection[] = "OrvMediaManagerPluginDatabaseConnection";

GetPluginFunction entryFunction() {
    static void* handle = dlopen(ORV_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        benchFailure(dlerror());
    return reinterpret_cast<GetPluginFunction>(dlsym(handle, "_getPlugin"));
}

} // namespace

void benchFailure(const char* what) {
    std::fprintf(stderr, "benchmark failed: %s\n", what);
    std::abort();
}

LibraryFolder::LibraryFolder() {
    require(dir.isValid(), "temporary folder");
}

QString LibraryFolder::libraryPath() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Studio/Media Library");
}

QString LibraryFolder::legacyFolder() const {
    return dataHome() + QStringLiteral("/Vireo/Vireo Player");
}

void LibraryFolder::makeCurrent() const {
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.path() + QStringLiteral("/etc-xdg")));
}

void LibraryFolder::installLibrary(const QString& from) const {
    require(QDir().mkpath(QFileInfo(libraryPath()).absolutePath()), "library folder");
    QFile::remove(libraryPath());
    require(QFile::copy(from, libraryPath()), "copying a library file");
}

HostedLibrary::HostedLibrary(const LibraryFolder& folder) {
    folder.makeCurrent();
    require(entryFunction()(&host, &plugin) == 0 && plugin, "_getPlugin");
    void* found = nullptr;
    require(plugin->queryInterface(PluginString(kInterfaceId), &found) == 0 && found,
            "media-manager interface");
    library = static_cast<M*>(found);
    require(library->isOpen(), "the library did not open");
}

HostedLibrary::~HostedLibrary() {
    plugin->release();
}

sqlite3* HostedLibrary::connection() {
    const QVariant handle =
        QSqlDatabase::database(QLatin1String(kPluginConnection), false).driver()->handle();
    require(handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0, "plugin connection");
    return *static_cast<sqlite3* const*>(handle.constData());
}

StatementCounter::StatementCounter(sqlite3* db) : db(db) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementCounter::traced, this);
}

StatementCounter::~StatementCounter() {
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
}

int StatementCounter::traced(unsigned, void* self, void*, void* text) {
    // Trigger programs report themselves as "-- TRIGGER name": part of their statement.
    const char* sql = static_cast<const char*>(text);
    if (!(sql && sql[0] == '-' && sql[1] == '-'))
        ++static_cast<StatementCounter*>(self)->started;
    return 0;
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
