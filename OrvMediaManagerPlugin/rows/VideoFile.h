#pragma once

// A video file of the library: a node with its media-file and video-file details.

#include "rows/Row.h"

namespace VireoStudio {

class VideoFile : public MediaFile<MediaManagerInterface::VideoFileInterface> {
public:
    static constexpr int kMediaFileType = 1;

    VideoFile(RowOwner* owner, const QUrl& uri, const QString& name)
        : MediaFile(owner, uri, name, kMediaFileType) {}

    bool save() override { return attached && library().saveVideoFile(this); }
    bool remove() override { return attached && !isNew() && library().deleteVideoFile(getId()); }

    ORV_NUMERIC_ACCESSORS_IMPL(Duration, duration)

    QVariant duration; // video_file.duration, 64-bit, in the host's unit
};

} // namespace VireoStudio
