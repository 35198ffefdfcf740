// The probing module (libOrvMediaProbe.so): reads what one open file says about itself with
// libavformat. Every FFmpeg object is owned by a holder that frees it on every path; the reads
// go through our own I/O on the caller's descriptor, within a probe size, an analysis duration
// and a deadline checked both by the interrupt callback and by every read.

#include "FfmpegFileSource.h"
#include "MediaProbe.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

#include <cerrno>
#include <cstring>

namespace {

// Demuxers of still pictures: a file they recognise is an image, whatever its stream says.
const char* const kImageDemuxers[] = {"image2", "image2pipe", "gif", "apng", "ico", "pcx"};

// Why a file libavformat could not open is not a video, or could not be read.
void classifyOpenFailure(int code, const ProbeLimits& limits, ProbeResult* result) {
    if (code == AVERROR_EXIT) {
        result->kind = ProbeResult::Unreadable;
        result->reason =
            QStringLiteral("took longer than %1 ms to read").arg(limits.deadlineMilliseconds);
    } else if (code == AVERROR_INVALIDDATA || code == AVERROR_EOF ||
               code == AVERROR_DEMUXER_NOT_FOUND || code == AVERROR(EPERM)) {
        result->kind = ProbeResult::NotVideo;
        result->reason = QStringLiteral("not a media file");
    } else {
        result->kind = ProbeResult::Unreadable;
        result->reason = ffmpeg::errorText(code);
    }
}

bool isImageDemuxer(const char* name) {
    const QByteArray demuxer(name);
    if (demuxer.endsWith("_pipe"))
        return true;
    for (const char* image : kImageDemuxers) {
        if (demuxer == image)
            return true;
    }
    return false;
}

qint64 durationMilliseconds(const AVFormatContext* context) {
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        return (context->duration + 500) / 1000;
    qint64 longest = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (ffmpeg::isRealVideo(stream) && stream->duration != AV_NOPTS_VALUE &&
            stream->duration > 0)
            longest = qMax(longest, qint64(av_rescale_q(stream->duration, stream->time_base,
                                                        AVRational{1, 1000})));
    }
    return longest;
}

void describe(const AVFormatContext* context, ProbeResult* result) {
    bool video = false;
    bool audio = false;
    bool picture = false;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        video = video || ffmpeg::isRealVideo(stream);
        audio = audio || stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        picture = picture || stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    }
    if (video && isImageDemuxer(context->iformat->name)) {
        video = false;
        picture = true;
    }
    if (!video) {
        result->kind = ProbeResult::NotVideo;
        result->reason = audio     ? QStringLiteral("audio only")
                         : picture ? QStringLiteral("a still image")
                                   : QStringLiteral("no video stream");
        return;
    }
    result->kind = ProbeResult::Video;
    result->durationMs = durationMilliseconds(context);
    if (const AVDictionaryEntry* title = av_dict_get(context->metadata, "title", nullptr, 0))
        result->title = QString::fromUtf8(title->value).trimmed();
}

} // namespace

extern "C" __attribute__((visibility("default"))) void
orvProbeOpenFile(int fd, const QByteArray& name, const ProbeLimits& limits, ProbeResult* result) {
    ffmpeg::quietLogs();
    ffmpeg::FileSource source;
    if (!source.take(fd, limits.deadlineMilliseconds)) {
        result->kind = ProbeResult::Unreadable;
        result->reason = QString::fromLocal8Bit(strerror(errno));
        return;
    }
    ffmpeg::OpenFile file;
    int opened = 0;
    if (!file.open(&source, name.constData(), limits.probeBytes, limits.analyzeMicroseconds,
                   &opened)) {
        classifyOpenFailure(opened, limits, result);
        return;
    }
    // Stream details the header leaves out are read from the first packets, within the limits;
    // a failure here leaves what the header said. The decoders it opens get a bound on the
    // picture size, so that a header claiming a huge picture cannot take the memory.
    AVFormatContext* context = file.context();
    ffmpeg::StreamOptions options(context->nb_streams);
    if (avformat_find_stream_info(context, options.get()) == AVERROR_EXIT || source.expired()) {
        classifyOpenFailure(AVERROR_EXIT, limits, result);
        return;
    }
    describe(context, result);
}
