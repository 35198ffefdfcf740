#pragma once

// The host's paths and identity.

#include "HostExport.h"

#include <QByteArray>
#include <QString>

namespace VireoStudio {

class ORV_HOST_EXPORT OSUtilities {
public:
    // With true the base data folder ($XDG_DATA_HOME, else ~/.local/share); with false the
    // player's own data folder below it, "Vireo/Vireo Studio", created when missing.
    static QString getApplicationDataPath(bool base);
    // The player's component id as UTF-8.
    static QByteArray getComponentIdUTF8();
};

} // namespace VireoStudio
