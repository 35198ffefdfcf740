// The probing module (libOrvMediaProbe.so): reads what one open file says about itself with
// libavformat. Every FFmpeg object is owned by a holder that frees it on every path; the reads
// go through our own I/O on the caller's descriptor, within a probe size, an analysis duration
// and a deadline checked both by the interrupt callback and by every read.

#include "MediaProbe.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

typedef std::chrono::steady_clock Clock;

const int kIoBufferSize = 32 * 1024;
// The largest picture a decoder opened while probing accepts: 16384 x 8192.
const int64_t kMaxPixels = 16384LL * 8192;

// Demuxers of still pictures: a file they recognise is an image, whatever its stream says.
const char* const kImageDemuxers[] = {"image2", "image2pipe", "gif", "apng", "ico", "pcx"};

// The file as libavformat reads it: the descriptor, its size, where the next read starts and
// when the probe must give up.
struct Source {
    int fd = -1;
    int64_t size = 0;
    int64_t position = 0;
    Clock::time_point deadline;
    bool expired() const { return Clock::now() > deadline; }
};

int readPacket(void* opaque, uint8_t* buffer, int wanted) {
    auto* source = static_cast<Source*>(opaque);
    if (source->expired())
        return AVERROR_EXIT;
    ssize_t got = 0;
    do {
        got = pread(source->fd, buffer, size_t(wanted), source->position);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return AVERROR(errno);
    if (got == 0)
        return AVERROR_EOF;
    source->position += got;
    return int(got);
}

int64_t seekTo(void* opaque, int64_t offset, int whence) {
    auto* source = static_cast<Source*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return source->size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += source->position;
        break;
    case SEEK_END:
        offset += source->size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    source->position = offset;
    return offset;
}

int interrupted(void* opaque) {
    return static_cast<const Source*>(opaque)->expired() ? 1 : 0;
}

// A demuxer that would open further files or URLs (a playlist, a concatenation) is refused
// them: a probe reads the one file it was given.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

struct IoContextFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer); // libavformat may have replaced the buffer it was given
        avio_context_free(&io);
    }
};
struct FreshContextFree {
    void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct OpenContextClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct BufferFree {
    void operator()(void* buffer) const { av_free(buffer); }
};

// One dictionary of decoder options per stream, for avformat_find_stream_info; freed with it.
class StreamOptions {
public:
    explicit StreamOptions(unsigned streams) : dictionaries(streams, nullptr) {
        for (AVDictionary*& options : dictionaries)
            av_dict_set_int(&options, "max_pixels", kMaxPixels, 0);
    }
    ~StreamOptions() {
        for (AVDictionary*& options : dictionaries)
            av_dict_free(&options);
    }
    StreamOptions(const StreamOptions&) = delete;
    StreamOptions& operator=(const StreamOptions&) = delete;
    AVDictionary** get() { return dictionaries.empty() ? nullptr : dictionaries.data(); }

private:
    std::vector<AVDictionary*> dictionaries;
};

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

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
        result->reason = errorText(code);
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

// Whether the stream is moving pictures: a video stream that is not an attached cover picture
// or a still image.
bool isRealVideo(const AVStream* stream) {
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
           !(stream->disposition & (AV_DISPOSITION_ATTACHED_PIC | AV_DISPOSITION_STILL_IMAGE));
}

qint64 durationMilliseconds(const AVFormatContext* context) {
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        return (context->duration + 500) / 1000;
    qint64 longest = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (isRealVideo(stream) && stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
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
        video = video || isRealVideo(stream);
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
    static std::once_flag quiet;
    // The library reports damaged files on stderr; the scan reports them in its own words.
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    struct stat status = {};
    if (fstat(fd, &status) != 0) {
        result->kind = ProbeResult::Unreadable;
        result->reason = QString::fromLocal8Bit(strerror(errno));
        return;
    }
    Source source;
    source.fd = fd;
    source.size = status.st_size;
    source.deadline = Clock::now() + std::chrono::milliseconds(limits.deadlineMilliseconds);

    std::unique_ptr<void, BufferFree> buffer(av_malloc(kIoBufferSize));
    if (!buffer) {
        result->reason = QStringLiteral("out of memory");
        return;
    }
    std::unique_ptr<AVIOContext, IoContextFree> io(
        avio_alloc_context(static_cast<unsigned char*>(buffer.get()), kIoBufferSize, 0, &source,
                           readPacket, nullptr, seekTo));
    if (!io) {
        result->reason = QStringLiteral("out of memory");
        return;
    }
    buffer.release(); // the I/O context owns it now

    std::unique_ptr<AVFormatContext, FreshContextFree> fresh(avformat_alloc_context());
    if (!fresh) {
        result->reason = QStringLiteral("out of memory");
        return;
    }
    fresh->pb = io.get();
    fresh->flags |= AVFMT_FLAG_CUSTOM_IO;
    fresh->probesize = limits.probeBytes;
    fresh->max_analyze_duration = limits.analyzeMicroseconds;
    fresh->interrupt_callback.callback = interrupted;
    fresh->interrupt_callback.opaque = &source;
    fresh->io_open = refuseNestedOpen;

    // avformat_open_input frees the context itself when it fails.
    AVFormatContext* opening = fresh.release();
    const int opened = avformat_open_input(&opening, name.constData(), nullptr, nullptr);
    std::unique_ptr<AVFormatContext, OpenContextClose> context(opening);
    if (opened < 0) {
        classifyOpenFailure(opened, limits, result);
        return;
    }
    // Stream details the header leaves out are read from the first packets, within the limits;
    // a failure here leaves what the header said. The decoders it opens get a bound on the
    // picture size, so that a header claiming a huge picture cannot take the memory.
    StreamOptions options(context->nb_streams);
    if (avformat_find_stream_info(context.get(), options.get()) == AVERROR_EXIT ||
        source.expired()) {
        classifyOpenFailure(AVERROR_EXIT, limits, result);
        return;
    }
    describe(context.get(), result);
}
