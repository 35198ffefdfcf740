#pragma once

// The recently played list with its resume positions: newest first, capped at the configured
// maximum after every save. Recent files publish no change messages. The media-library
// interface's recent-file operations, with the plugin that owns the rows.

#include "rows/RowOwner.h"

#include <QUrl>

namespace VireoStudio {
namespace RecentFileOperations {

typedef MediaManagerInterface M;

bool getRecentFileCount(RowOwner& owner, quint64* count);
bool getRecentFile(RowOwner& owner, quint64 id, M::RecentFileInterface** out);
bool findRecentFile(RowOwner& owner, const QUrl& url, M::RecentFileInterface** out);
bool getRecentFileAt(RowOwner& owner, quint64 index, M::RecentFileInterface** out);
bool newRecentFileForNode(RowOwner& owner, quint64 nodeId, M::RecentFileInterface** out);
bool newRecentFile(RowOwner& owner, const QUrl& url, M::RecentFileInterface** out);
bool saveRecentFile(RowOwner& owner, M::RecentFileInterface* file);
bool updateRecentFile(RowOwner& owner, M::RecentFileInterface* file);
bool deleteRecentFile(RowOwner& owner, quint64 id);
bool trimRecentFiles(RowOwner& owner);

} // namespace RecentFileOperations
} // namespace VireoStudio
