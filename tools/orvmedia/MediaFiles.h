#pragma once

// How the commands name media files: a URL or a local path, or a node id.

#include "Args.h"
#include "MediaManagerInterface.h"

#include <QUrl>

namespace VireoStudio {
// A URL as a person reads it; a text QUrl cannot parse is shown as it was given.
QString displayUrl(const QUrl& url);
} // namespace VireoStudio

// A URL argument: a text with "://" is a URL, anything else a local path (made absolute).
QUrl urlArgument(const QString& text);

// A media file named by URL, path or node id.
bool findMediaFileArg(VireoStudio::MediaManagerInterface* library, const QString& urlOrId,
                      Held<VireoStudio::MediaManagerInterface::MediaFileInterface>& file);
