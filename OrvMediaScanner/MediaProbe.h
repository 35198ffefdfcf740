#pragma once

// Probing: what one file says about itself, read with FFmpeg's libavformat.
//
// libavformat and the codec libraries it brings take a tenth of a second and tens of megabytes
// to load, which every command would pay. They live in a module of their own
// (libOrvMediaProbe.so, beside the program), loaded the first time a file is probed; a re-scan
// that finds nothing changed never loads it.

#include <QByteArray>
#include <QString>

// Bounds on the work of one probe, so that a damaged or hostile file costs a bounded time.
struct ProbeLimits {
    qint64 probeBytes = 5'000'000;          // read to recognise the format
    qint64 analyzeMicroseconds = 5'000'000; // of stream time read to learn the streams
    int deadlineMilliseconds = 10'000;      // the whole probe, reads included
};

// What one file is. Size and modification time come from the file system, the rest from the
// file's contents.
struct ProbeResult {
    enum Kind { Video, NotVideo, Unreadable };
    Kind kind = Unreadable;
    qint64 size = 0;
    qint64 modifiedNs = 0;  // modification time, nanoseconds since the epoch
    qint64 durationMs = -1; // -1 when the file does not say
    QString title;          // the container's title tag; empty when it has none
    QString reason;         // why the file is not a video, or could not be read
};

// Probes the regular file at path: opens it without following it into anything that is not a
// regular file (a FIFO or a device is refused, never read), then reads it within limits. Safe
// to call from several threads at once.
ProbeResult probeFile(const QByteArray& path, const ProbeLimits& limits);

// Whether the probing module can be loaded; error says why not.
bool probingAvailable(QString* error);

// The module's entry, resolved by name: probes the open regular file fd, which the caller
// closes; name is the file's name, a hint for recognising its format. Fills in everything but
// the size and the modification time.
extern "C" {
typedef void (*ProbeOpenFileFunction)(int fd, const QByteArray& name, const ProbeLimits& limits,
                                      ProbeResult* result);
}
#define ORV_PROBE_ENTRY "orvProbeOpenFile"
