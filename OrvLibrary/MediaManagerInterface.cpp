#include "MediaManagerInterface.h"

namespace VireoStudio {

MediaManagerInterface::MediaManagerInterface() = default;
MediaManagerInterface::~MediaManagerInterface() = default;

MediaManagerInterface::RowInterface::RowInterface() = default;
MediaManagerInterface::RowInterface::~RowInterface() = default;
MediaManagerInterface::NodeInterface::NodeInterface() = default;
MediaManagerInterface::NodeInterface::~NodeInterface() = default;
MediaManagerInterface::MediaFileInterface::MediaFileInterface() = default;
MediaManagerInterface::MediaFileInterface::~MediaFileInterface() = default;
MediaManagerInterface::VideoFileInterface::VideoFileInterface() = default;
MediaManagerInterface::VideoFileInterface::~VideoFileInterface() = default;
MediaManagerInterface::AcquiredFileInterface::AcquiredFileInterface() = default;
MediaManagerInterface::AcquiredFileInterface::~AcquiredFileInterface() = default;
MediaManagerInterface::QueuedFileInterface::QueuedFileInterface() = default;
MediaManagerInterface::QueuedFileInterface::~QueuedFileInterface() = default;
MediaManagerInterface::RecentFileInterface::RecentFileInterface() = default;
MediaManagerInterface::RecentFileInterface::~RecentFileInterface() = default;
MediaManagerInterface::PlaylistInterface::PlaylistInterface() = default;
MediaManagerInterface::PlaylistInterface::~PlaylistInterface() = default;

} // namespace VireoStudio
