#pragma once

// The thumbnailer: makes the pictures of one local video file in the desktop's thumbnail cache.
// A picture that is there and fresh (whoever made it) is used as it is; a stale one (its
// Thumb::MTime is not the file's) is made again; a file whose picture could not be made gets a
// record under the cache's fail folder and is not tried again until it changes. Pictures are
// written whole or not at all (a temporary file, then a rename), folders 0700, files 0600.

#include "ThumbnailCache.h"
#include "ThumbnailRender.h"

#include <QByteArray>
#include <QString>

struct ThumbnailOutcome {
    enum Kind {
        Made,         // at least one picture was made now; the others were fresh
        Fresh,        // both pictures were there and fresh
        Failed,       // no picture could be made; the failure is recorded now
        FailedBefore, // the file failed before and has not changed since
        Skipped,      // the file is gone, unreadable or no regular file, or no picture can be made
                      // on this machine (the module is missing, the cache cannot be written);
                      // nothing is recorded
    };
    Kind kind = Skipped;
    QString reason; // why there is no picture
    bool hasPictures() const { return kind == Made || kind == Fresh; }
};

class Thumbnailer {
public:
    explicit Thumbnailer(const ThumbnailCache& cache = ThumbnailCache(),
                         const ThumbnailLimits& limits = ThumbnailLimits())
        : store(cache), limits(limits) {}

    const ThumbnailCache& cache() const { return store; }

    // Makes what is missing or stale of the two pictures of the file at path (absolute). Safe
    // to call from several threads at once.
    ThumbnailOutcome make(const QByteArray& path) const;

    // Whether the rendering module can be loaded; error says why not.
    static bool renderingAvailable(QString* error);

private:
    ThumbnailCache store;
    ThumbnailLimits limits;
};
