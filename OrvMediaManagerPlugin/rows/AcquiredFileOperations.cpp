// Acquired content and queued downloads.

#include "plugin/OperationFrame.h"

namespace VireoStudio {

bool OrvMediaManagerPlugin::newAcquiredFile(const QUrl& uri, const QString& title,
                                            quint64 contentId, AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    (void)uri;
    (void)title;
    (void)contentId;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newAcquiredFileForMediaFile(MediaFileInterface* media,
                                                        AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    (void)media;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::findAcquiredFile(const QUrl& uri, AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    (void)uri;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::getAcquiredFile(quint64 id, AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    (void)id;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::saveAcquiredFile(AcquiredFileInterface* file) {
    const OperationFrame frame(*this);
    (void)file;
    return false;
}

bool OrvMediaManagerPlugin::deleteAcquiredFile(quint64 id) {
    const OperationFrame frame(*this);
    (void)id;
    return false;
}

bool OrvMediaManagerPlugin::findAcquiredFileByContentId(quint64 contentId,
                                                        AcquiredFileInterface** out) {
    const OperationFrame frame(*this);
    (void)contentId;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newQueuedFile(const QUrl& uri, const QString& title,
                                          const QUrl& downloadUrl, QueuedFileInterface** out) {
    const OperationFrame frame(*this);
    (void)uri;
    (void)title;
    (void)downloadUrl;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::getQueuedFile(quint64 id, QueuedFileInterface** out) {
    const OperationFrame frame(*this);
    (void)id;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::deleteQueuedFile(quint64 id) {
    const OperationFrame frame(*this);
    (void)id;
    return false;
}

} // namespace VireoStudio
