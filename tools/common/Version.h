#pragma once

// The version the hosts show and write into their files: the project's version, given by the
// build (ORV_VERSION).

#include <QString>

inline QString orvVersion() {
    return QStringLiteral(ORV_VERSION);
}
