#include "PluginStartup.h"

#include "LibraryFiles.h"
#include "OSUtilities.h"
#include "PluginSession.h"

#include <QFile>

namespace LibraryMaintenance {

namespace {

const char kDataHome[] = "XDG_DATA_HOME";

// Names a data folder for as long as it lives, then restores what was there before.
class DataHomeOverride {
public:
    explicit DataHomeOverride(const QString& dataHome) : saved(qgetenv(kDataHome)) {
        qputenv(kDataHome, QFile::encodeName(dataHome));
    }
    ~DataHomeOverride() {
        if (saved.isNull())
            qunsetenv(kDataHome);
        else
            qputenv(kDataHome, saved);
    }
    DataHomeOverride(const DataHomeOverride&) = delete;
    DataHomeOverride& operator=(const DataHomeOverride&) = delete;

private:
    QByteArray saved;
};

} // namespace

bool startPluginIn(const QString& dataHome, const QString& pluginPath, QString* library,
                   QString* error, const LibraryWork& work) {
    const DataHomeOverride override(dataHome);
    *library = libraryFileIn(VireoStudio::OSUtilities::getApplicationDataPath(false));
    PluginSession session;
    if (!session.load(pluginPath, error))
        return false;
    if (!session.library() || !session.library()->isOpen()) {
        *error = QStringLiteral("the plugin's start-up cannot make a library at %1").arg(*library);
        return false;
    }
    if (work && !work(session.library())) {
        *error = QStringLiteral("the plugin cannot finish the library at %1").arg(*library);
        return false;
    }
    return true;
}

} // namespace LibraryMaintenance
