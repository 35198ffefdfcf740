#pragma once

/// @file
/// The host's paths and identity.

#include "HostExport.h"

#include <QByteArray>
#include <QString>

namespace VireoStudio {

/// The host's paths and identity, as the plugin asks for them.
class ORV_HOST_EXPORT OSUtilities {
public:
    /// With true the base data folder ($XDG_DATA_HOME, else ~/.local/share); with false the
    /// player's own data folder below it, "Vireo/Vireo Studio", created when missing. The
    /// library file is "Media Library" in the player's own folder.
    static QString getApplicationDataPath(bool base);
    /// The player's component id as UTF-8. The plugin's settings are the node "Settings"
    /// followed by this id.
    static QByteArray getComponentIdUTF8();
};

} // namespace VireoStudio
