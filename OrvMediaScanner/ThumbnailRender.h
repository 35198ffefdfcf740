#pragma once

// Rendering a thumbnail: one frame of a video decoded near a tenth of its length, scaled to the
// sizes asked for and encoded as PNG with the text chunks given.
//
// FFmpeg's decoders, libswscale and Qt's image code live in a module of their own
// (libOrvMediaThumbnail.so, beside the program), loaded the first time a picture is rendered,
// so that a command that finds every thumbnail fresh never loads them.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Bounds on the work of one file, so that a damaged or hostile file costs a bounded time and
// memory.
struct ThumbnailLimits {
    qint64 probeBytes = 5'000'000;          // read to recognise the format
    qint64 analyzeMicroseconds = 5'000'000; // of stream time read to learn the streams
    int deadlineMilliseconds = 10'000;      // the whole file, reads and decoding included
    qint64 maxPixels = 40'000'000;          // the largest frame decoded (8K is 33 million)
    int maxPackets = 2'000;                 // packets read after the seek before giving up
};

// PNG text chunks, key and value, in the order they are written.
typedef QList<QPair<QByteArray, QString>> PngTextChunks;

struct RenderRequest {
    QList<int> sizes; // the longest side of each picture wanted; a smaller frame is not enlarged
    PngTextChunks text;
};

struct RenderResult {
    bool rendered = false;
    QString reason;         // why no picture could be made
    QList<QByteArray> pngs; // one PNG per size asked for, in that order
};

// The module's entries, resolved by name.
extern "C" {
// Renders the open regular file fd, which the caller closes; name is the file's name, a hint
// for recognising its format.
typedef void (*RenderOpenFileFunction)(int fd, const QByteArray& name,
                                       const ThumbnailLimits& limits, const RenderRequest& request,
                                       RenderResult* result);
// A one-pixel PNG that carries the text chunks given: the record of a file that failed.
typedef void (*RenderFailRecordFunction)(const PngTextChunks& text, QByteArray* png);
}
#define ORV_RENDER_ENTRY "orvRenderThumbnail"
#define ORV_FAIL_RECORD_ENTRY "orvRenderFailRecord"
