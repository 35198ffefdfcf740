#pragma once

// Recording a play as the player does: the recent entry of the URL (made when missing) moves to
// the head of the recent list with the title positions reached, and the video file of that very
// URL counts the play and the time of it.

#include "MediaManagerInterface.h"

#include <QString>
#include <QUrl>

#include <optional>

// positions replaces the entry's title positions; without it an entry keeps those it has (a
// play started elsewhere, whose positions this host does not learn). False with error set when
// something could not be stored.
bool recordPlay(
    VireoStudio::MediaManagerInterface* library, const QUrl& url,
    const std::optional<VireoStudio::MediaManagerInterface::TitlePositionList>& positions,
    QString* error);
