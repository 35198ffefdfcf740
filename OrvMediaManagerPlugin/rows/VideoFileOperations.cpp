// Video files: looking them up, making new ones, storing and deleting them.

#include "plugin/OperationFrame.h"

namespace VireoStudio {

bool OrvMediaManagerPlugin::findMediaFile(const QUrl& uri, MediaFileInterface** out) {
    const OperationFrame frame(*this);
    (void)uri;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::getMediaFile(quint64 id, MediaFileInterface** out) {
    const OperationFrame frame(*this);
    (void)id;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::saveVideoFile(VideoFileInterface* file) {
    const OperationFrame frame(*this);
    (void)file;
    return false;
}

bool OrvMediaManagerPlugin::newVideoFileForMediaFile(MediaFileInterface* media, quint64 size,
                                                     quint64 duration, VideoFileInterface** out) {
    const OperationFrame frame(*this);
    (void)media;
    (void)size;
    (void)duration;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::newVideoFile(const QUrl& uri, const QString& title, quint64 size,
                                         quint64 duration, VideoFileInterface** out) {
    const OperationFrame frame(*this);
    (void)uri;
    (void)title;
    (void)size;
    (void)duration;
    (void)out;
    return false;
}

bool OrvMediaManagerPlugin::deleteVideoFile(quint64 id) {
    const OperationFrame frame(*this);
    (void)id;
    return false;
}

} // namespace VireoStudio
