// The recently played list with its resume positions.

#include "plugin/OperationFrame.h"

namespace VireoStudio {

bool OrvMediaManagerPlugin::getRecentFileCount(quint64* count) {
    const OperationFrame frame(*this);
    (void)count;
    return false;
}

bool OrvMediaManagerPlugin::getRecentFile(quint64 id, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    (void)id;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::findRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    (void)url;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::getRecentFileAt(quint64 index, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    (void)index;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newRecentFileForNode(quint64 nodeId, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    (void)nodeId;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newRecentFile(const QUrl& url, RecentFileInterface** out) {
    const OperationFrame frame(*this);
    (void)url;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::saveRecentFile(RecentFileInterface* file) {
    const OperationFrame frame(*this);
    (void)file;
    return false;
}

bool OrvMediaManagerPlugin::updateRecentFile(RecentFileInterface* file) {
    const OperationFrame frame(*this);
    (void)file;
    return false;
}

bool OrvMediaManagerPlugin::deleteRecentFile(quint64 id) {
    const OperationFrame frame(*this);
    (void)id;
    return false;
}

bool OrvMediaManagerPlugin::trimRecentFiles() {
    const OperationFrame frame(*this);
    return false;
}

} // namespace VireoStudio
