#pragma once

// The playlist types of the library: the built-in playlists made at every start-up (one each),
// the in-memory playlist of recent files and the user's own playlists. Every place that names
// a type uses these.

#include "MediaManagerInterface.h"

namespace VireoStudio {
namespace PlaylistTypes {

// Every node that has a video file (media_file_type 0).
constexpr int kAllFiles = 1;
// The video files (media_file_type 1).
constexpr int kVideos = 2;
// Built-in playlists of media_file_type 2 and 3 that no operation of the library fills.
constexpr int kMediaType2 = 3;
constexpr int kMediaType3 = 4;
constexpr int kQueue = MediaManagerInterface::PLAYLIST_TYPE_QUEUE;
constexpr int kAcquired = MediaManagerInterface::PLAYLIST_TYPE_ACQUIRED;
constexpr int kRecent = MediaManagerInterface::PLAYLIST_TYPE_RECENT;
constexpr int kUser = MediaManagerInterface::PLAYLIST_TYPE_USER;

// The built-in playlists a video file belongs to.
constexpr int kVideoFilePlaylists[] = {kAllFiles, kVideos};

// Sort flags of a playlist the library makes: manual order; the built-in ones are kept in
// their order of insertion (key 8, ascending).
constexpr int kManualOrder = MediaManagerInterface::SORT_MANUAL;
constexpr int kBuiltInSortFlags = 8;

} // namespace PlaylistTypes
} // namespace VireoStudio
