#pragma once

// What the library file held at one moment, as far as the plugin's connection can tell: the
// rows the connection has written, the rollbacks it has seen and the file's data version, which
// moves when another connection commits. Two equal stamps mean nothing changed in between, so
// what was read under the first still holds under the second.

#include <QtGlobal>

namespace VireoStudio {

struct ContentStamp {
    qint64 changes = -1; // -1: no stamp (the connection was not open)
    quint32 dataVersion = 0;
    quint64 rollbacks = 0;

    bool isSet() const { return changes >= 0; }
    bool operator==(const ContentStamp& other) const {
        return changes == other.changes && dataVersion == other.dataVersion &&
               rollbacks == other.rollbacks;
    }
    bool operator!=(const ContentStamp& other) const { return !(*this == other); }
};

} // namespace VireoStudio
